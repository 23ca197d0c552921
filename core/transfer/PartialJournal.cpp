#include "PartialJournal.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <sys/stat.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace transfer
{

namespace
{

bool IsPartialFile(const QString &path)
{
    if (!QDir::isAbsolutePath(path) || !path.endsWith(u".part"_s))
        return false;
    struct stat info = {};
    return ::lstat(QFile::encodeName(path).constData(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

QStringList PartialJournal::open(const QString &path)
{
    m_path = path;
    m_entries.clear();
    if (m_path.isEmpty())
        return {};
    const QStringList removed = Sweep(m_path);
    write();
    return removed;
}

void PartialJournal::add(const QString &partial)
{
    // A line a name splits could list another file.
    if (partial.contains(u'\n'))
        return;
    m_entries.append(partial);
    write();
}

void PartialJournal::remove(const QString &partial)
{
    if (m_entries.removeOne(partial))
        write();
}

QStringList PartialJournal::Sweep(const QString &journal)
{
    QFile file(journal);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    QStringList removed;
    const QList<QByteArray> lines = file.readAll().split('\n');
    for (const QByteArray &line : lines) {
        const QString path = QFile::decodeName(line);
        if (IsPartialFile(path) && ::unlink(QFile::encodeName(path).constData()) == 0)
            removed.append(path);
    }
    return removed;
}

void PartialJournal::write() const
{
    if (m_path.isEmpty())
        return;
    // Nothing under way leaves no file behind.
    if (m_entries.isEmpty()) {
        QFile::remove(m_path);
        return;
    }
    QByteArray content;
    for (const QString &entry : m_entries)
        content += QFile::encodeName(entry) + '\n';
    QSaveFile file(m_path);
    if (file.open(QIODevice::WriteOnly) && file.write(content) == content.size())
        file.commit();
}

} // namespace transfer
