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

    // The connection and the table view; a store chosen by ChooseHistory opens first.
    HistoryConnection &connection();
    HistoryTable &table();
    // The table view as it stands, a chosen store left unopened: for binding views to it.
    HistoryTable &tableForBinding();
    const HistoryTable &table() const;

    // Opens the connection, read-only, on a template; nothing is read through it.
    void OpenTemplate(const QString &templateFile);
    // Chooses the template as OpenTemplate would open it, leaving the opening to the first use
    // as ChooseHistory does; a file that cannot be opened as a database, by what its first
    // bytes tell, throws as the opening would.
    void ChooseTemplate(const QString &templateFile);
    // Opens the store of `nick`, creating its file from the template when there is none.
    void OpenHistory(const QString &nick);
    // Makes the store of `nick` the store as OpenHistory does, file and all, but leaves the
    // opening to the first use of the connection, the table view or a store operation, so a
    // run that stores nothing and shows no history runs nothing of the database engine. A
    // failure of that opening leaves the store closed and is told by openFailed.
    void ChooseHistory(const QString &nick);
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
    // The file ChooseHistory or ChooseTemplate chose could not be opened: the engine's message.
    void openFailed(const QString &message);

private:
    void openStore();
    void openChosen();
    // Puts a synced copy of the template in the store's place by one rename, so the file is
    // the old store or the empty one at every moment; false when no copy could be made.
    bool replaceByTemplate();
    void announceCount();

    QString m_programDir;
    QString m_templatePath;
    QString m_path;
    HistoryConnection m_connection;
    HistoryTable m_table;
    // What ChooseTemplate or ChooseHistory chose and nothing has opened yet.
    enum class Chosen { Nothing, Template, Store } m_chosen = Chosen::Nothing;
};
