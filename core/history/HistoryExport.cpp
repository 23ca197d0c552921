#include "HistoryExport.h"

#include <QSaveFile>

EHistoryExportError::EHistoryExportError(const QString &fileName, const QString &reason)
    : AppError(QStringLiteral("cannot write \"%1\": %2").arg(fileName, reason)),
      m_fileName(fileName), m_reason(reason)
{
}

namespace
{

// Bytes gathered before they are written.
constexpr qsizetype WriteChunk = 1 << 20;

const QByteArray Bom = "\xEF\xBB\xBF";

// A CSV field: quoted when it holds a separator, a quote or a line break, quotes doubled. A
// field a spreadsheet would take for a formula gets a leading apostrophe.
void appendCsvField(QByteArray &out, const QString &value)
{
    QByteArray field = value.toUtf8();
    if (!field.isEmpty() && QByteArray("=+-@\t\r").contains(field.front()))
        field.prepend('\'');
    const bool quoted =
        field.contains(',') || field.contains('"') || field.contains('\n') || field.contains('\r');
    if (!quoted) {
        out += field;
        return;
    }
    out += '"';
    out += field.replace("\"", "\"\"");
    out += '"';
}

[[noreturn]] void failWrite(const QSaveFile &file)
{
    throw EHistoryExportError(file.fileName(), file.errorString());
}

} // namespace

HistoryExportFormat HistoryExportFormatOf(const QString &path)
{
    return path.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive) ? HistoryExportFormat::Csv
                                                                      : HistoryExportFormat::Text;
}

QByteArray HistoryExportLine(const HistoryRecord &r, HistoryExportFormat format)
{
    QByteArray out;
    if (format == HistoryExportFormat::Csv) {
        for (const QString *field : {&r.mDate, &r.mTime, &r.mSender, &r.mReceiver}) {
            appendCsvField(out, *field);
            out += ',';
        }
        appendCsvField(out, r.mFullText);
        out += "\r\n";
        return out;
    }
    QString text = r.mFullText;
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    out += (r.mDate + u' ' + r.mTime + u' ' + r.mSender + QStringLiteral(" -> ") + r.mReceiver +
            u'\n' + text + QStringLiteral("\n\n"))
               .toUtf8();
    return out;
}

bool ExportHistory(const HistoryTable &table, const std::vector<HistoryTable::Bookmark> &keys,
                   const QString &path, HistoryExportFormat format, const QString &csvTitles,
                   const std::function<bool(qint64 done, qint64 total)> &progress)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        failWrite(file);
    QByteArray pending;
    pending.reserve(WriteChunk + 64 * 1024);
    if (format == HistoryExportFormat::Csv)
        pending = Bom + csvTitles.toUtf8() + "\r\n";
    const auto flush = [&] {
        if (file.write(pending) != pending.size())
            failWrite(file);
        pending.clear();
    };
    const qint64 total = qint64(keys.size());
    const bool done = table.readRecords(
        keys,
        [&](const HistoryRecord &record) {
            pending += HistoryExportLine(record, format);
            if (pending.size() >= WriteChunk)
                flush();
            return true;
        },
        [&](qint64 read) { return progress(read, total); });
    if (!done) {
        file.cancelWriting();
        return false;
    }
    flush();
    if (!file.flush() || file.error() != QFileDevice::NoError || !file.commit())
        failWrite(file);
    return true;
}
