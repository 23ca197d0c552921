#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class QDirIterator;

// A directory search for theme files: the entries of one folder whose names match "*.sui"
// (the extension in any case, entries of every kind, hidden ones and sub-folders included),
// in the order the file system returns them.
class SkinSearch final
{
    Q_DISABLE_COPY_MOVE(SkinSearch)
public:
    SkinSearch();
    ~SkinSearch();

    // The full path of the next matching entry of `folder`, or empty when the search has
    // nothing more. A search that has no current file starts again from the first entry; a
    // search that has run out stays empty until it is cleared.
    QString next(const QString &folder);
    // Forgets the current file, so the next call starts from the first entry.
    void clear();

private:
    enum class State { Idle, Running, Finished };
    State m_state = State::Idle;
    std::unique_ptr<QDirIterator> m_iterator;
};

// The program-wide search shared by every fill of the style list.
SkinSearch &SharedSkinSearch();

// The folder of the theme files: "Skins/" among the shipped files (beside the executable in
// the portable folder).
QString SkinsFolder();

// The style-list entries of a scan: the four built-in names, then the display names of at
// most 250 theme files that `search` finds in `folder`.
QStringList ScanSkinEntries(SkinSearch &search, const QString &folder);
