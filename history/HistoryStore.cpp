#include "HistoryStore.h"

#include "AppPaths.h"

#include <QDir>
#include <QFile>

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

QString HistoryStore::CountText() const
{
    return HistoryCountText(m_table.recordCount());
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
    Q_EMIT countTextChanged(CountText());
}
