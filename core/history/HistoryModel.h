#pragma once

#include <QAbstractTableModel>
#include <QLocale>

class HistoryTable;

// The data source of the history grids: the table view's records as rows, its seven fields
// as columns, read on demand for the rows on screen. Dates are shown with four-digit years in
// the form of the default locale's language (HistoryDateText); the store keeps its own text.
class HistoryModel final : public QAbstractTableModel
{
    Q_OBJECT
    Q_DISABLE_COPY_MOVE(HistoryModel)
public:
    // mIncoming of a row as a number, for every column.
    static constexpr int IncomingRole = Qt::UserRole + 1;

    explicit HistoryModel(HistoryTable &table, QObject *parent = nullptr);

    HistoryTable &table() const { return m_table; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    // The column titles are the field names until the window words them.
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    bool setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                       int role = Qt::EditRole) override;
    // What the preview of a record that cannot be read shows.
    void setUnreadableText(const QString &text);
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    QString shownDate(const QString &stored) const;

    HistoryTable &m_table;
    QStringList m_titles;
    QString m_unreadableText;
    mutable QString m_lastStoredDate;
    mutable QLocale m_lastDisplayLocale;
    mutable QString m_lastShownDate;
};
