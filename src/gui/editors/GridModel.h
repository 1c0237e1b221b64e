#pragma once

#include "core/model/TTPXGriddata.h"

#include <QAbstractTableModel>
#include <span>

// The grid editor's table as a view over one image buffer: every cell is read from the buffer
// when it is drawn and every edit is written straight into it, so a buffer of millions of words
// costs nothing to show. The buffer must outlive the model or be replaced by Load first.
class GridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    // Binds the model to buffer with the descriptor (copied): the row count and the cell formats
    // follow it. Binding the same buffer with the same rows and size only redraws.
    void Load(std::span<quint16> buffer, const TTPXGriddata& grid);
    const TTPXGriddata& Grid() const { return m_grid; }
    std::span<const quint16> Buffer() const { return m_buffer; }
    bool IsCell(const QModelIndex& index) const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

signals:
    // A cell was overwritten by the operator (the buffer holds the new value).
    void CellEdited(int row, int column);

private:
    std::span<quint16> m_buffer;
    TTPXGriddata m_grid;
    int m_rows = 0;
};
