#include "HistoryStore.h"

#include "AppPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>

#include <fcntl.h>
#include <unistd.h>

namespace
{

const QString TemplateName = QStringLiteral("tmp.dat");

// The engine's journal files beside a database file.
const char *const JournalSuffixes[] = {"-wal", "-shm", "-journal"};

// A fresh copy of the template; a failure shows only in the open that follows.
void copyTemplate(const QString &from, const QString &to)
{
    if (QFile::copy(from, to))
        QFile::setPermissions(to, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                      QFile::ReadOther);
}

// Writes a file's (or a folder's) contents through to the disk.
bool syncFile(const QString &path)
{
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd < 0)
        return false;
    const bool synced = ::fsync(fd) == 0;
    ::close(fd);
    return synced;
}

} // namespace

HistoryStore::HistoryStore(QObject *parent)
    : QObject(parent), m_programDir(apppaths::DataFolder()),
      m_templatePath(apppaths::SharedFile(TemplateName)), m_table(m_connection)
{
}

HistoryStore::~HistoryStore()
{
    m_connection.close();
}

void HistoryStore::setProgramDir(const QString &dir)
{
    m_programDir = dir;
    m_templatePath = QDir(dir).filePath(TemplateName);
}

QString HistoryStore::templatePath() const
{
    return m_templatePath;
}

void HistoryStore::OpenTemplate(const QString &templateFile)
{
    m_connection.setDatabasePath(templateFile);
    m_connection.open(HistoryConnection::Access::ReadOnly);
}

void HistoryStore::OpenHistory(const QString &nick)
{
    m_path = QDir(m_programDir).filePath(HistoryFileName(nick));
    if (!QFile::exists(m_path))
        copyTemplate(templatePath(), m_path);
    openStore();
}

void HistoryStore::AppendHistoryRecord(const QString &sender, const QString &receiver,
                                       const QString &text, bool incoming)
{
    m_table.append(
        MakeHistoryRecord(sender, receiver, text, incoming, QDateTime::currentDateTime()));
    announceCount();
}

void HistoryStore::ResetHistory()
{
    m_connection.close();
    if (!m_path.isEmpty()) {
        QFile::remove(m_path);
        // A journal left by a killed run would otherwise be played into the fresh copy.
        for (const char *suffix : JournalSuffixes)
            QFile::remove(m_path + QLatin1String(suffix));
        copyTemplate(templatePath(), m_path);
    }
    openStore();
}

void HistoryStore::DeleteRecords(std::vector<HistoryTable::Bookmark> keys)
{
    std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    bool all = false;
    if (!keys.empty() && m_table.isActive() && keys.size() == size_t(m_table.recordCount())) {
        all = std::all_of(
                  keys.begin(), keys.end(),
                  [this](HistoryTable::Bookmark key) { return m_table.positionOf(key) >= 0; }) &&
              m_table.holdsWholeTable();
    }
    if (!all || !replaceByTemplate())
        m_table.deleteRecords(std::move(keys));
}

bool HistoryStore::replaceByTemplate()
{
    if (m_path.isEmpty())
        return false;
    const QString fresh = m_path + QStringLiteral(".new");
    QFile::remove(fresh);
    if (!QFile::copy(templatePath(), fresh))
        return false;
    QFile::setPermissions(fresh, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup |
                                     QFile::ReadOther);
    if (!syncFile(fresh)) {
        QFile::remove(fresh);
        return false;
    }
    m_connection.close();
    std::error_code failed;
    std::filesystem::rename(QFile::encodeName(fresh).toStdString(),
                            QFile::encodeName(m_path).toStdString(), failed);
    if (!failed)
        syncFile(QFileInfo(m_path).absolutePath());
    QFile::remove(fresh);
    m_connection.open(HistoryConnection::Access::ReadWrite);
    m_table.open();
    return !failed;
}

qint64 HistoryStore::RecordCount() const
{
    return m_table.recordCount();
}

void HistoryStore::openStore()
{
    m_connection.setDatabasePath(m_path);
    m_connection.open(HistoryConnection::Access::ReadWrite);
    m_table.open();
    announceCount();
}

void HistoryStore::announceCount()
{
    Q_EMIT countChanged(RecordCount());
}
