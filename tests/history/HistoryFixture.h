#pragma once

#include "HistoryRecord.h"

#include <QString>
#include <QTemporaryDir>

#include <vector>

namespace historytest
{

// A temporary program folder holding a fresh template "tmp.dat"; removed with the object.
class ProgramFolder
{
public:
    ProgramFolder();
    bool isValid() const { return m_dir.isValid(); }
    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    QString templatePath() const { return filePath(QStringLiteral("tmp.dat")); }

private:
    QTemporaryDir m_dir;
};

// The records of a store file in table order, read with the engine directly, apart from the
// table view under test. Fails the calling test through the returned flag.
bool ReadStoreFile(const QString &path, std::vector<HistoryRecord> &records);

// The column names and declared types of mHistory in a database file, in table order.
bool ReadColumns(const QString &path, QStringList &names, QStringList &types);

} // namespace historytest
