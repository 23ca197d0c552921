#include "HistoryStore.h"

#include "AppPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <filesystem>
#include <thread>
#include <utility>

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

HistoryConnection &HistoryStore::connection()
{
    openChosen();
    return m_connection;
}

HistoryTable &HistoryStore::table()
{
    openChosen();
    return m_table;
}

HistoryTable &HistoryStore::tableForBinding()
{
    return m_table;
}

const HistoryTable &HistoryStore::table() const
{
    return m_table;
}

void HistoryStore::OpenTemplate(const QString &templateFile)
{
    m_chosen = Chosen::Nothing;
    m_connection.setDatabasePath(templateFile);
    m_connection.open(HistoryConnection::Access::ReadOnly);
}

void HistoryStore::ChooseTemplate(const QString &templateFile)
{
    m_chosen = Chosen::Nothing;
    m_connection.setDatabasePath(templateFile);
    CheckDatabaseFile(templateFile);
    m_chosen = Chosen::Template;
}

void HistoryStore::OpenHistory(const QString &nick)
{
    ChooseHistory(nick);
    m_chosen = Chosen::Nothing;
    openStore();
}

void HistoryStore::ChooseHistory(const QString &nick)
{
    m_connection.close();
    m_path = QDir(m_programDir).filePath(HistoryFileName(nick));
    if (!QFile::exists(m_path))
        copyTemplate(templatePath(), m_path);
    m_chosen = Chosen::Store;
}

void HistoryStore::AppendHistoryRecord(const QString &sender, const QString &receiver,
                                       const QString &text, bool incoming)
{
    openChosen();
    m_table.append(
        MakeHistoryRecord(sender, receiver, text, incoming, QDateTime::currentDateTime()));
    announceCount();
}

void HistoryStore::ResetHistory()
{
    m_chosen = Chosen::Nothing;
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
    openChosen();
    if (!std::is_sorted(keys.begin(), keys.end()))
        std::sort(keys.begin(), keys.end());
    keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
    const bool all = !keys.empty() && m_table.isActive() && m_table.holdsExactly(keys) &&
                     m_table.holdsWholeTable();
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
    // Freeing a large store's cached pages takes a while once its last user lets go: this
    // hold on the old file is let go off the UI thread.
    const int old = ::open(QFile::encodeName(m_path).constData(), O_RDONLY | O_CLOEXEC);
    std::error_code failed;
    std::filesystem::rename(QFile::encodeName(fresh).toStdString(),
                            QFile::encodeName(m_path).toStdString(), failed);
    if (old >= 0)
        std::thread([old] { ::close(old); }).detach();
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

void HistoryStore::openChosen()
{
    const Chosen chosen = std::exchange(m_chosen, Chosen::Nothing);
    try {
        if (chosen == Chosen::Template)
            m_connection.open(HistoryConnection::Access::ReadOnly);
        else if (chosen == Chosen::Store)
            openStore();
    } catch (const AppError &error) {
        Q_EMIT openFailed(error.message());
    }
}

void HistoryStore::announceCount()
{
    Q_EMIT countChanged(RecordCount());
}
