#pragma once

#include "HistoryDatabase.h"

#include <QObject>
#include <QString>

// The message store of one nick: its file beside the executable, made from the template
// "tmp.dat", the connection to it and the table view the history window shows.
class HistoryStore final : public QObject
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryStore)
public:
    explicit HistoryStore(QObject *parent = nullptr);
    ~HistoryStore() override;

    // The folder of the template and of the store files; by default the store files go to the
    // user's data folder and the template is the shipped one.
    void setProgramDir(const QString &dir);
    QString templatePath() const;
    // The store file OpenHistory chose; empty before.
    QString path() const { return m_path; }

    HistoryConnection &connection() { return m_connection; }
    HistoryTable &table() { return m_table; }
    const HistoryTable &table() const { return m_table; }

    // Opens the connection, read-only, on a template; nothing is read through it.
    void OpenTemplate(const QString &templateFile);
    // Opens the store of `nick`, creating its file from the template when there is none.
    void OpenHistory(const QString &nick);
    // Writes one private message, dated now; committed when this returns.
    void AppendHistoryRecord(const QString &sender, const QString &receiver, const QString &text,
                             bool incoming);
    // Replaces the store's file by a fresh copy of the template and opens it again.
    void ResetHistory();
    // Deletes the records of `keys` in one transaction. When they are every record of the
    // store, a fresh copy of the template takes the file's place at once instead, which costs
    // the same whatever the store holds. The count text is left to the caller.
    void DeleteRecords(std::vector<HistoryTable::Bookmark> keys);

    // The number of records in the view under its filter.
    qint64 RecordCount() const;

Q_SIGNALS:
    // After each of the three store operations above.
    void countChanged(qint64 count);

private:
    void openStore();
    // Puts a synced copy of the template in the store's place by one rename, so the file is
    // the old store or the empty one at every moment; false when no copy could be made.
    bool replaceByTemplate();
    void announceCount();

    QString m_programDir;
    QString m_templatePath;
    QString m_path;
    HistoryConnection m_connection;
    HistoryTable m_table;
};
