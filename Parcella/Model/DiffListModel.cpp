#include "DiffListModel.h"

#include <QHash>

namespace Parcella {

DiffListModel::DiffListModel(QByteArrayList roleNames, QObject* parent)
    : QAbstractListModel(parent), m_roleNames(std::move(roleNames)) {}

int DiffListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(m_rows.size());
}

QVariant DiffListModel::data(const QModelIndex& index, int role) const {
    const int column = role - Qt::UserRole - 1;
    if (!index.isValid() || index.row() >= m_rows.size() || column < 0 ||
        column >= m_roleNames.size())
        return {};
    return m_rows.at(index.row()).values.value(column);
}

QHash<int, QByteArray> DiffListModel::roleNames() const {
    QHash<int, QByteArray> names;
    for (int i = 0; i < m_roleNames.size(); ++i)
        names.insert(Qt::UserRole + 1 + i, m_roleNames.at(i));
    return names;
}

void DiffListModel::update(int row, QVariantList values) {
    QList<int> changed;
    QVariantList& current = m_rows[row].values;
    for (int i = 0; i < values.size(); ++i)
        if (i >= current.size() || current.at(i) != values.at(i))
            changed.append(Qt::UserRole + 1 + i);
    if (changed.isEmpty())
        return;
    current = std::move(values);
    emit dataChanged(index(row), index(row), changed);
}

// Takes out, last first, every row whose key the new rows hold fewer times than the old ones.
void DiffListModel::removeUnmatched(const QList<Row>& rows) {
    QHash<QString, int> wanted;
    for (const Row& row : rows)
        ++wanted[row.key];
    QList<bool> keep(m_rows.size());
    for (qsizetype i = 0; i < m_rows.size(); ++i) {
        auto found = wanted.find(m_rows.at(i).key);
        keep[i] = found != wanted.end() && found.value() > 0;
        if (keep[i])
            --found.value();
    }
    for (qsizetype last = m_rows.size() - 1; last >= 0;) {
        if (keep.at(last)) {
            --last;
            continue;
        }
        qsizetype first = last;
        while (first > 0 && !keep.at(first - 1))
            --first;
        beginRemoveRows({}, int(first), int(last));
        m_rows.remove(first, last - first + 1);
        endRemoveRows();
        last = first - 1;
    }
}

void DiffListModel::setRows(QList<Row> rows) {
    removeUnmatched(rows);
    for (int i = 0; i < rows.size(); ++i) {
        Row& row = rows[i];
        if (i < m_rows.size() && m_rows.at(i).key == row.key) {
            update(i, std::move(row.values));
            continue;
        }
        int from = -1;
        for (int j = i + 1; j < m_rows.size() && from < 0; ++j)
            if (m_rows.at(j).key == row.key)
                from = j;
        if (from >= 0) {
            beginMoveRows({}, from, from, {}, i);
            m_rows.move(from, i);
            endMoveRows();
            update(i, std::move(row.values));
        } else {
            beginInsertRows({}, i, i);
            m_rows.insert(i, std::move(row));
            endInsertRows();
        }
    }
}

} // namespace Parcella
