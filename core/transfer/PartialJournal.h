#pragma once

#include <QString>
#include <QStringList>

namespace transfer
{

// The partial files ("<name>.part") this copy is writing, kept in a small file, one absolute
// path a line, so that what a killed copy left behind is removed at its next start. A journal
// without a file keeps nothing. Failures to write it are not the transfer's failures: they
// only cost the clean-up after a crash.
class PartialJournal final
{
public:
    // Removes the partials the file lists, then the file, which is written again only while a
    // partial is under way; an empty path keeps nothing.
    // Gives the partials removed.
    QStringList open(const QString &path);
    const QString &path() const { return m_path; }

    void add(const QString &partial);
    void remove(const QString &partial);
    const QStringList &entries() const { return m_entries; }

    // Removes each partial `journal` lists that is still a regular file (not a link) named
    // "*.part" at an absolute path; anything else listed is left alone. Gives those removed.
    static QStringList Sweep(const QString &journal);

private:
    void write() const;

    QString m_path;
    QStringList m_entries;
};

} // namespace transfer
