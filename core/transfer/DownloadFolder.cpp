#include "DownloadFolder.h"
#include "TransferErrors.h"

#include <QFile>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace transfer
{

namespace
{

QByteArray Native(const QString &name)
{
    return QFile::encodeName(name);
}

} // namespace

DownloadFolder::DownloadFolder(const QString &path)
    : m_path(path), m_fd(::open(Native(path).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC))
{
    if (m_fd < 0)
        throw ETransferError(TransferFault::FolderNotWritable, path);
}

DownloadFolder::~DownloadFolder()
{
    ::close(m_fd);
}

QString DownloadFolder::filePath(const QString &name) const
{
    return m_path.endsWith(u'/') ? QString(m_path + name) : QString(m_path + u'/' + name);
}

bool DownloadFolder::taken(const QString &name) const
{
    struct stat info;
    if (::fstatat(m_fd, Native(name).constData(), &info, AT_SYMLINK_NOFOLLOW) == 0)
        return true;
    // Only a name known to be free is free.
    return errno != ENOENT;
}

int DownloadFolder::create(const QString &name) const
{
    return ::openat(m_fd, Native(name).constData(),
                    O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
}

bool DownloadFolder::rename(const QString &from, const QString &to) const
{
    const QByteArray source = Native(from);
    const QByteArray target = Native(to);
    if (::renameat2(m_fd, source.constData(), m_fd, target.constData(), RENAME_NOREPLACE) == 0)
        return true;
    if (errno != EINVAL)
        return false;
    // A file system without the no-replace rename: a new hard link fails where the name is
    // taken just the same.
    if (::linkat(m_fd, source.constData(), m_fd, target.constData(), 0) != 0)
        return false;
    ::unlinkat(m_fd, source.constData(), 0);
    return true;
}

bool DownloadFolder::remove(const QString &name) const
{
    return ::unlinkat(m_fd, Native(name).constData(), 0) == 0;
}

} // namespace transfer
