#include "gui/editors/GridModel.h"

#include "core/editors/GridCells.h"

#include <QBrush>
#include <QGuiApplication>
#include <QPalette>

void GridModel::Load(std::span<quint16> buffer, const TTPXGriddata& grid)
{
    const int rows = std::max(grid.rows, 0);
    const bool sameShape = buffer.data() == m_buffer.data() && buffer.size() == m_buffer.size() && rows == m_rows &&
                           grid.size == m_grid.size && grid.cellKind == m_grid.cellKind;
    if (sameShape) {
        m_grid = grid;
        if (m_rows > 0)
            emit dataChanged(index(0, 0), index(m_rows - 1, GridCells::ColumnCount - 1));
        return;
    }
    beginResetModel();
    m_buffer = buffer;
    m_grid = grid;
    m_rows = rows;
    endResetModel();
}

bool GridModel::IsCell(const QModelIndex& index) const
{
    return index.isValid() && GridCells::IsCell(m_grid, qsizetype(m_buffer.size()), index.row(), index.column());
}

int GridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int GridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : GridCells::ColumnCount;
}

QVariant GridModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return {};
    const int column = index.column();
    switch (role) {
    case Qt::DisplayRole: return GridCells::DisplayText(m_grid, m_buffer, index.row(), column);
    case Qt::EditRole: return GridCells::EditText(m_grid, m_buffer, index.row(), column);
    case Qt::TextAlignmentRole: return int(Qt::AlignCenter);
    case Qt::BackgroundRole:
        if (GridCells::KindOf(column) == GridCells::Kind::Separator)
            return QBrush(QGuiApplication::palette().color(QPalette::Midlight));
        if (GridCells::KindOf(column) == GridCells::Kind::Address)
            return QBrush(QGuiApplication::palette().color(QPalette::Button));
        return {};
    default: return {};
    }
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role)
{
    if (role != Qt::EditRole || !IsCell(index))
        return false;
    const int row = index.row();
    const int column = index.column();
    if (!GridCells::StoreCell(m_grid, m_buffer, row, column, value.toString()))
        return false;
    // The element shows in its data cell and its character cell.
    const int offset = int(GridCells::ElementOf(row, column) % GridCells::CellsPerRow);
    emit dataChanged(this->index(row, GridCells::FirstData + offset), this->index(row, GridCells::FirstData + offset));
    emit dataChanged(this->index(row, GridCells::FirstCharacter + offset),
                     this->index(row, GridCells::FirstCharacter + offset));
    emit CellEdited(row, column);
    return true;
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const
{
    if (IsCell(index))
        return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
    // The address and the separators are drawn as enabled text but never take the cursor's edits.
    const GridCells::Kind kind = GridCells::KindOf(index.column());
    if (index.isValid() && (kind == GridCells::Kind::Address || kind == GridCells::Kind::Separator))
        return Qt::ItemIsEnabled;
    return Qt::NoItemFlags;
}
