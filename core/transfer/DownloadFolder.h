#pragma once

#include <QString>

namespace transfer
{

// The folder received files go to, opened once: every file in it is made, looked up, renamed
// and removed relative to that open folder, never through a symbolic link and never over
// anything that is already there. Failures leave errno set.
class DownloadFolder final
{
    Q_DISABLE_COPY_MOVE(DownloadFolder)
public:
    // Throws ETransferError (FolderNotWritable) when the folder cannot be opened.
    explicit DownloadFolder(const QString &path);
    ~DownloadFolder();

    const QString &path() const { return m_path; }
    QString filePath(const QString &name) const;

    // Whether anything has this name here: a file, a folder, a link (dangling ones too).
    bool taken(const QString &name) const;
    // Makes `name` as a new empty file open for writing; -1 when anything has that name.
    int create(const QString &name) const;
    // Gives the file `from` the name `to` unless something has it (errno EEXIST then).
    bool rename(const QString &from, const QString &to) const;
    bool remove(const QString &name) const;

private:
    QString m_path;
    int m_fd = -1;
};

} // namespace transfer
