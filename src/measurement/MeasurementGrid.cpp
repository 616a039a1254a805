#include "measurement/MeasurementGrid.h"

namespace korvelan {

void MeasurementGrid::lay(const QStringList& headers, const QList<int>& widths)
{
    beginResetModel();
    m_header = headers;
    m_widths = widths;
    m_first = QStringList();
    for (qsizetype c = 0; c < headers.size(); ++c)
        m_first << QString();
    m_latest.clear();
    m_latestStart = 2;
    m_rows = 2;
    endResetModel();
    emit headerDataChanged(Qt::Horizontal, 0, std::max(0, columns() - 1));
}

const QStringList* MeasurementGrid::rowAt(int row) const
{
    if (row == 0)
        return &m_header;
    if (row == 1 && m_rows > 1)
        return &m_first;
    if (row >= m_latestStart && row < m_rows)
        return &m_latest[size_t(row - m_latestStart)];
    return nullptr;
}

QString MeasurementGrid::text(int row, int column) const
{
    const QStringList* cells = rowAt(row);
    return cells ? cells->value(column) : QString();
}

void MeasurementGrid::setText(int row, int column, const QString& text)
{
    auto* cells = const_cast<QStringList*>(rowAt(row));
    if (!cells || column < 0 || column >= cells->size())
        return;
    (*cells)[column] = text;
    if (row == 0) {
        emit headerDataChanged(Qt::Horizontal, column, column);
        return;
    }
    const QModelIndex at = index(modelRow(row), column);
    emit dataChanged(at, at, {Qt::DisplayRole});
}

void MeasurementGrid::addRow()
{
    if (m_rows < 2)
        return;
    const int last = rowCount();
    beginInsertRows({}, last, last);
    QStringList cells;
    cells.reserve(columns());
    for (int c = 0; c < columns(); ++c)
        cells << QString();
    m_latest.push_back(std::move(cells));
    ++m_rows;
    endInsertRows();
    if (m_latest.size() > size_t(kKeptRows)) {
        beginRemoveRows({}, 1, 1);
        m_latest.pop_front();
        ++m_latestStart;
        endRemoveRows();
    }
}

int MeasurementGrid::oldestContiguousRow() const
{
    return m_latestStart == 2 ? 0 : m_latestStart;
}

int MeasurementGrid::gridRow(int modelRow) const
{
    return modelRow == 0 ? 1 : m_latestStart + modelRow - 1;
}

int MeasurementGrid::modelRow(int gridRow) const
{
    if (gridRow == 1)
        return 0;
    if (gridRow >= m_latestStart && gridRow < m_rows)
        return gridRow - m_latestStart + 1;
    return -1;
}

int MeasurementGrid::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || m_rows < 2)
        return 0;
    return 1 + static_cast<int>(m_latest.size());
}

int MeasurementGrid::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : columns();
}

QVariant MeasurementGrid::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return {};
    return text(gridRow(index.row()), index.column());
}

QVariant MeasurementGrid::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role == Qt::TextAlignmentRole)
        return int(Qt::AlignCenter);
    if (role != Qt::DisplayRole)
        return {};
    if (orientation == Qt::Horizontal)
        return m_header.value(section);
    return gridRow(section);
}

} // namespace korvelan
