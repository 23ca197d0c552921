#include "HistoryModel.h"

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
    case Qt::DisplayRole:
        return m_table.textAt(index.row(), HistoryField(index.column()));
    case IncomingRole:
        return m_table.incomingAt(index.row());
    default:
        return QVariant();
    }
}

QVariant HistoryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= HistoryFieldCount)
        return QVariant();
    return HistoryFieldLabel(HistoryField(section));
}

Qt::ItemFlags HistoryModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
}
