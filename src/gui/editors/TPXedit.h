#pragma once

#include "core/model/TTPXGriddata.h"

#include <QWidget>
#include <span>

class GridModel;
class QLabel;
class QTableView;

// The grid editor frame: one image buffer as a hexadecimal table of eight cells per row with an
// address column and a character column, and the labels above it (row, column, address of the
// current cell, the unit, the element count and the modified status). It knows nothing about the
// buffer it shows: Load binds it to a buffer and a descriptor, and edits go straight into that
// buffer. Left and right run on through the rows and wrap at the ends.
class TPXedit : public QWidget
{
    Q_OBJECT
public:
    explicit TPXedit(QWidget* parent = nullptr);

    // Shows the element count, takes the rows and formats of the descriptor and redraws; a frame
    // loaded with a size above 0 becomes visible (a size of 0 leaves it as it was). The status
    // label is not changed.
    void Load(std::span<quint16> buffer, const TTPXGriddata& grid);
    void SetStatusText(const QString& text);

    QTableView* Table() const { return m_table; }
    GridModel* Model() const { return m_model; }
    QLabel* RowLabel() const { return m_row; }
    QLabel* ColumnLabel() const { return m_column; }
    QLabel* AddressLabel() const { return m_address; }
    QLabel* UnitLabel() const { return m_unit; }
    QLabel* CountLabel() const { return m_count; }
    QLabel* StatusLabel() const { return m_status; }

signals:
    // The operator overwrote a cell.
    void CellEdited(int row, int column);
    // The table took the keyboard focus.
    void Entered();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void ApplyFormats();
    void ShowPosition(int row, int column);

    GridModel* m_model;
    QTableView* m_table;
    QWidget* m_panel;
    QLabel* m_row;
    QLabel* m_column;
    QLabel* m_address;
    QLabel* m_unit;
    QLabel* m_count;
    QLabel* m_status;
};
