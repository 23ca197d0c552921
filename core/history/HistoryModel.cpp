#include "HistoryModel.h"

#include "DateTimeText.h"
#include "HistoryDatabase.h"

HistoryModel::HistoryModel(HistoryTable &table, QObject *parent)
    : QAbstractTableModel(parent), m_table(table)
{
    connect(&table, &HistoryTable::aboutToReset, this, &HistoryModel::beginResetModel);
    connect(&table, &HistoryTable::reset, this, &HistoryModel::endResetModel);
    connect(&table, &HistoryTable::aboutToInsert, this,
            [this](int position) { beginInsertRows(QModelIndex(), position, position); });
    connect(&table, &HistoryTable::inserted, this, &HistoryModel::endInsertRows);
    connect(&table, &HistoryTable::aboutToRemove, this,
            [this](int first, int last) { beginRemoveRows(QModelIndex(), first, last); });
    connect(&table, &HistoryTable::removed, this, &HistoryModel::endRemoveRows);
}

int HistoryModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_table.isActive())
        return 0;
    return m_table.recordCount();
}

int HistoryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : HistoryFieldCount;
}

QVariant HistoryModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole: {
        const auto field = HistoryField(index.column());
        const QString text = m_table.textAt(index.row(), field);
        if (text.isEmpty() && field == HistoryField::mCutText && m_table.unreadableAt(index.row()))
            return m_unreadableText;
        return field == HistoryField::mDate ? shownDate(text) : text;
    }
    case IncomingRole:
        return m_table.incomingAt(index.row());
    default:
        return QVariant();
    }
}

QString HistoryModel::shownDate(const QString &stored) const
{
    // The rows on screen mostly share their date: it is read once for them.
    if (stored != m_lastStoredDate || QLocale() != m_lastDisplayLocale) {
        m_lastStoredDate = stored;
        m_lastDisplayLocale = QLocale();
        m_lastShownDate = HistoryDateText(stored);
    }
    return m_lastShownDate;
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= HistoryFieldCount)
        return QVariant();
    const QString title = m_titles.value(section);
    return title.isEmpty() ? HistoryFieldName(HistoryField(section)) : title;
}

bool HistoryModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value,
                                 int role)
{
    if (orientation != Qt::Horizontal || (role != Qt::EditRole && role != Qt::DisplayRole) ||
        section < 0 || section >= HistoryFieldCount)
        return false;
    m_titles.resize(HistoryFieldCount);
    m_titles[section] = value.toString();
    Q_EMIT headerDataChanged(orientation, section, section);
    return true;
}

void HistoryModel::setUnreadableText(const QString &text)
{
    m_unreadableText = text;
}

Qt::ItemFlags HistoryModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
