#pragma once

#include <QSortFilterProxyModel>
#include <QtQml/qqmlregistration.h>

namespace Parcella {

// The recent transfers a list shows: of the transfers model's rows, only those already sent
// (a draft the service lists first must not push a sent one out), the first `limit` of them.
class RecentTransfersModel : public QSortFilterProxyModel {
    Q_OBJECT
    QML_ELEMENT
    Q_PROPERTY(int limit READ limit WRITE setLimit NOTIFY limitChanged)

public:
    explicit RecentTransfersModel(QObject* parent = nullptr);

    int limit() const { return m_limit; }
    void setLimit(int limit);
    void setSourceModel(QAbstractItemModel* source) override;

signals:
    void limitChanged();

protected:
    bool filterAcceptsRow(int sourceRow, const QModelIndex& sourceParent) const override;

private:
    bool isSent(int sourceRow) const;

    int m_limit = 8;
    int m_sentAtRole = -1;
};

} // namespace Parcella
