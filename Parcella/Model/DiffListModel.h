#pragma once

#include <QAbstractListModel>
#include <QByteArrayList>
#include <QList>
#include <QVariant>

namespace Parcella {

// A list model for views that is replaced as a whole by its owner but tells its views only what
// changed: rows taken out, put in or moved by key, and per row the roles whose value differs.
// A progress tick thus repaints the moving bars and nothing else.
class DiffListModel : public QAbstractListModel {
    Q_OBJECT

public:
    struct Row {
        QString key;
        // One value per role, in the order of the role names.
        QVariantList values;
    };

    // Role i is Qt::UserRole + 1 + i.
    explicit DiffListModel(QByteArrayList roleNames, QObject* parent = nullptr);

    void setRows(QList<Row> rows);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QHash<int, QByteArray> roleNames() const override;

private:
    void update(int row, QVariantList values);
    void removeUnmatched(const QList<Row>& rows);

    QByteArrayList m_roleNames;
    QList<Row> m_rows;
};

} // namespace Parcella
