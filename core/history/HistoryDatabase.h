#pragma once

#include "AppError.h"
#include "HistoryRecord.h"

#include <QByteArrayView>
#include <QCache>
#include <QObject>
#include <QString>

#include <functional>
#include <map>
#include <memory>
#include <vector>

struct sqlite3;

// A failure of the database engine, carrying the engine's own message.
class EDatabaseError final : public AppError
{
public:
    explicit EDatabaseError(QString message, int code = 0);
    // Whether the engine found the file damaged (a page it cannot take apart).
    bool damaged() const;

private:
    int m_code = 0;
};

// Writes an empty message database holding the empty mHistory table (and its index on the
// direction) at `path`, replacing any file there.
void CreateHistoryTemplate(const QString &path);

// Throws the error opening `path` as a database would give, as far as the file's first bytes
// tell: a file that cannot be read, or one that is neither empty nor starts as a database.
// Runs nothing of the engine.
void CheckDatabaseFile(const QString &path);

// The connection to one database file. Opening never creates or rewrites a file: a missing
// file or one that is not a database fails with the engine's message and stays as it was.
class HistoryConnection final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryConnection)
public:
    enum class Access { ReadWrite, ReadOnly };

    explicit HistoryConnection(QObject *parent = nullptr);
    ~HistoryConnection() override;

    // The file the connection opens; changed only while closed.
    QString databasePath() const { return m_path; }
    void setDatabasePath(const QString &path);

    void open(Access access = Access::ReadWrite);
    void close();
    bool isOpen() const { return m_db != nullptr; }
    bool isReadOnly() const { return m_readOnly; }

    // Writes records in one transaction (bulk loading), each as AppendHistoryRecord would.
    void appendRecords(const std::vector<HistoryRecord> &records);

    sqlite3 *handle() const { return m_db; }
    // Runs statements that return nothing; throws EDatabaseError on failure.
    void exec(const QString &sql);

Q_SIGNALS:
    // Emitted before the connection closes, so the table views on it close first.
    void aboutToClose();

private:
    sqlite3 *m_db = nullptr;
    QString m_path;
    bool m_readOnly = false;
};

// The table view on mHistory: a snapshot of the records (their keys and directions, taken from
// the direction index alone) under each filter used since the view opened, kept up to date
// with the records added and deleted through the view. The other fields are read in windows of
// neighbouring records by their keys, so neither opening nor showing a screen reads every
// record, and going back to a filter used before reads nothing.
class HistoryTable final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryTable)
public:
    // A record's bookmark: its key in the table. NoBookmark marks no record.
    using Bookmark = qint64;
    static constexpr Bookmark NoBookmark = 0;

    explicit HistoryTable(HistoryConnection &connection, QObject *parent = nullptr);
    ~HistoryTable() override;

    void open();
    void close();
    bool isActive() const { return m_active; }

    // The filter text is an expression over the fields, such as "mIncoming='1'"; it applies
    // while `filtered` is on. Setting it on an open view shows that filter's snapshot and makes
    // the first record current. A failure to read the snapshot closes the view.
    void setFilter(bool filtered, const QString &text);
    bool filtered() const { return m_filtered; }
    QString filterText() const { return m_filterText; }

    // Reads the whole table once and keeps in the views only the records that can be read
    // whole; runs by itself (from the event loop) when a read meets a damaged page. Announces
    // damageFound.
    void salvage();
    bool salvaged() const { return m_salvaged; }

    // The records in the view under the current filter.
    int recordCount() const;
    bool isEmpty() const { return recordCount() == 0; }

    // The current record. Moving past the last (first) record sets eof (bof) and leaves the
    // current record where it was.
    int recNo() const;
    bool eof() const;
    bool bof() const;
    void first();
    void last();
    void next();
    void prior();
    void moveTo(int position);

    // A field of the current record; empty with no current record.
    QString fieldText(HistoryField field) const;
    qint32 fieldInt(HistoryField field) const;

    // Moves towards the end (down) or the beginning of the view one record at a time, from the
    // record after (before) the current one, and stops on the first record whose mCutText
    // `accept` takes, given as its UTF-8 bytes. Without one, the current record stays and eof
    // (bof) is set, as the moves would leave it. Returns whether it stopped on a record.
    bool scanCutText(bool down, const std::function<bool(QByteArrayView)> &accept);

    Bookmark bookmark() const;
    bool bookmarkValid(Bookmark bookmark) const;
    void gotoBookmark(Bookmark bookmark);

    // Inserts and posts a record: committed when this returns. The new record becomes current
    // when the view's filter admits it.
    void append(const HistoryRecord &record);
    // Deletes the current record, committed at once; the next record (or else the previous
    // one) becomes current.
    void deleteCurrent();
    // Deletes the records of `keys` in one transaction, committed when this returns; a key
    // of no record is passed over. On failure nothing is deleted. The record after the first
    // deleted one (or else the one before) becomes current.
    void deleteRecords(std::vector<Bookmark> keys);
    // Whether the view under its filter holds every record of the table.
    bool holdsWholeTable() const;
    // Whether the view holds exactly the records of `keys` (ascending, no key twice).
    bool holdsExactly(const std::vector<Bookmark> &keys) const;

    // While disabled, moves of the current record are not announced to the bound views; the
    // last enable announces the position once.
    void disableControls();
    void enableControls();
    bool controlsDisabled() const { return m_disabled > 0; }

    // The keys of the view's records, in view order.
    std::vector<Bookmark> keys() const;
    // Reads whole records by key, in key order, a run of neighbouring keys per statement, and
    // hands each to `take`; keys of records deleted meanwhile are passed over. No statement
    // is active while `between` runs, after every run: the table may be used then (records
    // appended, for instance). Stops when `take` or `between` returns false and returns false.
    bool readRecords(const std::vector<Bookmark> &keys,
                     const std::function<bool(const HistoryRecord &)> &take,
                     const std::function<bool(qint64 done)> &between) const;

    // Positional reads for the bound views; a record that cannot be read reads empty.
    QString textAt(int position, HistoryField field) const;
    bool unreadableAt(int position) const;
    qint32 incomingAt(int position) const;
    Bookmark bookmarkAt(int position) const;
    // The position of a record in the view, -1 when it is not there.
    int positionOf(Bookmark bookmark) const;

Q_SIGNALS:
    void aboutToReset();
    void reset();
    void aboutToInsert(int position);
    void inserted(int position);
    // Positions first … last leave the view.
    void aboutToRemove(int first, int last);
    void removed(int first, int last);
    // The current record changed (or a record under it), while the controls are enabled.
    void currentChanged();
    // Damaged pages were found: the views now hold only the records that can be read.
    // `unreadable` counts the records left out, -1 when the damage hides how many.
    void damageFound(int unreadable);

private:
    struct Statements;
    // The snapshot of a filter not in force, with its statement for new records.
    struct View;
    // A record of the view: its key and direction, both taken from the direction index.
    struct Entry {
        Bookmark key;
        qint32 incoming;
    };
    struct Row {
        QString texts[5]; // mDate, mTime, mSender, mReceiver, mCutText
        bool unreadable = false;
    };
    // Rows read together. A scan reads only the previews; the views read every text field.
    struct Block {
        std::vector<Row> rows;
        bool complete = false;
    };

    void checkActive() const;
    // The filter in force: its text, or empty with the filter off.
    QString effectiveFilter() const;
    std::vector<Entry> loadKeys(const QString &filter) const;
    // The keys of a damaged table: from the direction index when it can be read, else from
    // the records, past the damaged pages. `complete` tells whether every key was found.
    // `pastDamage` off: the index alone, throwing the engine's error.
    std::vector<Entry> candidateKeys(const QString &filter, bool &complete, bool pastDamage) const;
    std::vector<Entry> walkRecordKeys(const QString &filter, bool &complete) const;
    // The candidates whose records can be read whole, with the directions the records hold.
    std::vector<Entry> readableKeys(const std::vector<Entry> &candidates,
                                    const QString &filter) const;
    // A read met a damaged page: salvage once the event loop runs again.
    void noteDamage() const;
    void useView(const QString &filter);
    void shut();
    void reloadView();
    // mFullText or mIncoming of the record at a position; throws the engine's error.
    QString textOutsideRows(int position, HistoryField field) const;
    const Row *rowAt(int position, bool complete, bool raise) const;
    Block *loadBlock(int block, bool complete) const;
    void announceCurrent();
    // Takes the sorted positions out of the view, telling the bound views, and the keys out
    // of the other filters' snapshots.
    void dropPositions(const std::vector<int> &positions, const std::vector<Bookmark> &keys);

    HistoryConnection &m_connection;
    std::unique_ptr<Statements> m_statements;
    std::vector<Entry> m_keys; // the view under the filter in force
    QString m_keysFilter;      // the filter m_keys was taken under
    bool m_keysLoaded = false;
    std::map<QString, std::unique_ptr<View>> m_otherViews; // by filter
    mutable QCache<int, Block> m_blocks;
    bool m_active = false;
    bool m_filtered = false;
    QString m_filterText;
    int m_position = -1;
    bool m_eof = true;
    bool m_bof = true;
    int m_disabled = 0;
    bool m_salvaged = false;
    mutable bool m_salvageQueued = false;
};
