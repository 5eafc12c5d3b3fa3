#include "RecentTransfersModel.h"

namespace Parcella {

RecentTransfersModel::RecentTransfersModel(QObject* parent) : QSortFilterProxyModel(parent) {}

void RecentTransfersModel::setLimit(int limit) {
    if (m_limit == limit)
        return;
    m_limit = limit;
    invalidateFilter();
    emit limitChanged();
}

void RecentTransfersModel::setSourceModel(QAbstractItemModel* source) {
    if (QAbstractItemModel* old = sourceModel())
        disconnect(old, nullptr, this, nullptr);
    m_sentAtRole = source ? source->roleNames().key("sentAt", -1) : -1;
    QSortFilterProxyModel::setSourceModel(source);
    if (!source)
        return;
    // Whether a row is among the first `limit` depends on the rows before it, which the
    // proxy's own bookkeeping does not look at again.
    const auto refilter = [this] { invalidateFilter(); };
    connect(source, &QAbstractItemModel::rowsInserted, this, refilter);
    connect(source, &QAbstractItemModel::rowsRemoved, this, refilter);
    connect(source, &QAbstractItemModel::rowsMoved, this, refilter);
    connect(source, &QAbstractItemModel::dataChanged, this, refilter);
}

bool RecentTransfersModel::isSent(int sourceRow) const {
    return sourceModel()->index(sourceRow, 0).data(m_sentAtRole).isValid();
}

bool RecentTransfersModel::filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const {
    if (sourceParent.isValid() || m_sentAtRole < 0 || !isSent(sourceRow))
        return false;
    int sentBefore = 0;
    for (int row = 0; row < sourceRow && sentBefore < m_limit; ++row)
        sentBefore += isSent(row) ? 1 : 0;
    return sentBefore < m_limit;
}

} // namespace Parcella
