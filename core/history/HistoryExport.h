#pragma once

#include "AppError.h"
#include "HistoryDatabase.h"

#include <QString>

#include <functional>
#include <vector>

// A file the export could not write; the window words it from the file name and the
// system's reason.
class EHistoryExportError final : public AppError
{
public:
    EHistoryExportError(const QString &fileName, const QString &reason);
    const QString &fileName() const noexcept { return m_fileName; }
    const QString &reason() const noexcept { return m_reason; }

private:
    QString m_fileName;
    QString m_reason;
};

enum class HistoryExportFormat {
    Text, // a block per record: date, time, "sender -> receiver", then the whole text
    Csv   // RFC 4180: the caller's title row, then date, time, sender, receiver, text per record
};

// The format a file name asks for: CSV for ".csv" in any case, else text.
HistoryExportFormat HistoryExportFormatOf(const QString &path);

// One record as it is written in a format, UTF-8, line end included.
QByteArray HistoryExportLine(const HistoryRecord &record, HistoryExportFormat format);

// Writes the records of `keys` (ascending) to `path` as UTF-8, replacing the file only when
// everything was written. `progress` learns how many of the keys are done every few thousand
// records; false from it cancels, leaving any file at `path` as it was. Memory stays the same
// whatever the number of records. Returns false when cancelled; throws EHistoryExportError
// when the file cannot be written and the table's error when a record cannot be read.
bool ExportHistory(const HistoryTable &table, const std::vector<HistoryTable::Bookmark> &keys,
                   const QString &path, HistoryExportFormat format, const QString &csvTitles,
                   const std::function<bool(qint64 done, qint64 total)> &progress);
