#include "gui/editors/TPXedit.h"

#include "core/editors/GridCells.h"
#include "gui/app/FixedPitchFont.h"
#include "gui/editors/GridModel.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace {
// The table's keyboard moves follow the grid's rules instead of the view's plain ones.
class GridTable : public QTableView
{
public:
    using QTableView::QTableView;

protected:
    QModelIndex moveCursor(CursorAction action, Qt::KeyboardModifiers modifiers) override
    {
        auto* grid = static_cast<GridModel*>(model());
        const QModelIndex current = currentIndex();
        if (!grid || !grid->IsCell(current)) {
            const QModelIndex moved = QTableView::moveCursor(action, modifiers);
            return grid && grid->IsCell(moved) ? moved : FirstCell(grid);
        }
        std::optional<GridCells::Move> move;
        switch (action) {
        case MoveLeft:
        case MovePrevious: move = GridCells::Move::Left; break;
        case MoveRight:
        case MoveNext: move = GridCells::Move::Right; break;
        case MoveUp: move = GridCells::Move::Up; break;
        case MoveDown: move = GridCells::Move::Down; break;
        default: break;
        }
        if (move) {
            const GridCells::Position to = GridCells::MoveFrom(grid->Grid(), qsizetype(grid->Buffer().size()),
                                                               {current.row(), current.column()}, *move);
            return grid->index(to.row, to.column);
        }
        const QModelIndex moved = QTableView::moveCursor(action, modifiers);
        return grid->IsCell(moved) ? moved : current;
    }

private:
    static QModelIndex FirstCell(GridModel* grid)
    {
        if (!grid)
            return {};
        const QModelIndex first = grid->index(0, GridCells::FirstData);
        return grid->IsCell(first) ? first : QModelIndex();
    }
};

// The editor of a data cell: hexadecimal digits typed in overwrite mode. A digit typed at the end of
// a full field pushes the oldest one out, so the last digits typed are what the cell takes.
class HexCellEdit : public QLineEdit
{
public:
    HexCellEdit(int digits, QWidget* parent) : QLineEdit(parent)
    {
        static const QRegularExpression hex(QStringLiteral("[0-9A-Fa-f]*"));
        setValidator(new QRegularExpressionValidator(hex, this));
        setMaxLength(digits);
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const QString typed = event->text();
        if (typed.size() != 1 || !validator() || hasSelectedText() || !IsHexDigit(typed.at(0))) {
            QLineEdit::keyPressEvent(event);
            return;
        }
        const QString now = text();
        const int caret = cursorPosition();
        if (caret < now.size()) {
            setText(now.left(caret) + typed + now.mid(caret + 1));
            setCursorPosition(caret + 1);
        } else if (now.size() >= maxLength()) {
            setText(now.mid(1) + typed);
        } else {
            QLineEdit::keyPressEvent(event);
            return;
        }
        event->accept();
    }

private:
    static bool IsHexDigit(QChar c) { return QStringLiteral("0123456789ABCDEFabcdef").contains(c); }
};

// Cell editors: hexadecimal digits in data cells (four in the word modes, two in byte mode; the
// typed value is cut to the cell's mask when stored), one character in character cells.
class CellDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const override
    {
        const auto* grid = static_cast<const GridModel*>(index.model());
        if (GridCells::KindOf(index.column()) == GridCells::Kind::Character) {
            auto* line = new QLineEdit(parent);
            line->setMaxLength(1);
            return line;
        }
        return new HexCellEdit(GridCells::DataDigits(grid->Grid()), parent);
    }
};

QLabel* MakeLabel(const QString& text, const char* name, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    if (name)
        label->setObjectName(QString::fromLatin1(name));
    return label;
}
} // namespace

TPXedit::TPXedit(QWidget* parent) : QWidget(parent), m_model(new GridModel(this))
{
    setObjectName(QStringLiteral("TPXedit"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    m_panel = new QWidget(this);
    auto* panelLayout = new QVBoxLayout(m_panel);
    panelLayout->setContentsMargins(0, 0, 0, 0);
    auto* labels = new QHBoxLayout;
    labels->setSpacing(0);
    labels->addWidget(MakeLabel(QStringLiteral("  Row: "), nullptr, m_panel));
    labels->addWidget(m_row = MakeLabel(QString(), "LAB_Row", m_panel));
    labels->addWidget(MakeLabel(QStringLiteral("    Column: "), nullptr, m_panel));
    labels->addWidget(m_column = MakeLabel(QString(), "LAB_Column", m_panel));
    labels->addWidget(MakeLabel(QStringLiteral("    Address: "), nullptr, m_panel));
    labels->addWidget(m_address = MakeLabel(QString(), "LAB_Address", m_panel));
    labels->addWidget(m_unit = MakeLabel(QStringLiteral("    Words  "), "LAB_Unit", m_panel));
    labels->addWidget(m_count = MakeLabel(QStringLiteral("0"), "LAB_Count", m_panel));
    labels->addStretch(1);
    labels->addWidget(m_status = MakeLabel(QStringLiteral("Unmodified"), "LAB_Status", m_panel));
    panelLayout->addLayout(labels);

    m_table = new GridTable(m_panel);
    m_table->setObjectName(QStringLiteral("Grid"));
    m_table->setModel(m_model);
    m_table->setItemDelegate(new CellDelegate(m_table));
    m_table->setFont(FixedPitchFont());
    m_table->horizontalHeader()->hide();
    m_table->verticalHeader()->hide();
    // Fixed sizes keep the view from measuring rows: a buffer of a million rows opens at once.
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    m_table->setSelectionMode(QAbstractItemView::SingleSelection);
    m_table->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::DoubleClicked |
                             QAbstractItemView::EditKeyPressed);
    m_table->setWordWrap(false);
    m_table->installEventFilter(this);
    panelLayout->addWidget(m_table, 1);
    layout->addWidget(m_panel);
    m_panel->hide();

    connect(m_model, &GridModel::CellEdited, this, &TPXedit::CellEdited);
    connect(m_table->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { ShowPosition(current.row(), current.column()); });
    connect(m_model, &QAbstractItemModel::modelReset, this, [this] {
        const QModelIndex first = m_model->index(0, GridCells::FirstData);
        if (m_model->IsCell(first))
            m_table->setCurrentIndex(first);
    });
    ApplyFormats();
}

void TPXedit::Load(std::span<quint16> buffer, const TTPXGriddata& grid)
{
    const QModelIndex keep = m_table->currentIndex();
    const int keepRow = keep.row();
    const int keepColumn = keep.column();
    m_count->setText(QString::number(grid.size));
    m_unit->setText(grid.cellKind == TTPXGriddata::Bytes ? QStringLiteral("    Bytes  ")
                                                         : QStringLiteral("    Words  "));
    m_model->Load(buffer, grid);
    ApplyFormats();
    // The current cell stays where it was when it is still in use.
    const QModelIndex again = m_model->index(keepRow, keepColumn);
    if (keep.isValid() && m_model->IsCell(again) && m_table->currentIndex() != again)
        m_table->setCurrentIndex(again);
    if (grid.size > 0)
        m_panel->show();
}

void TPXedit::SetStatusText(const QString& text)
{
    m_status->setText(text);
}

void TPXedit::ApplyFormats()
{
    const TTPXGriddata& grid = m_model->Grid();
    const QFontMetrics metrics(m_table->font());
    const int s = std::max(QFontInfo(m_table->font()).pointSize(), 1);
    const int h = s / 2;
    // The widths follow the font size; never narrower than the digits themselves.
    const auto width = [&](int units, int digits) {
        return std::max(units * s + h, metrics.horizontalAdvance(QString(digits, u'F')) + 8);
    };
    QHeaderView* header = m_table->horizontalHeader();
    const int addressDigits = GridCells::AddressDigits(grid) + (grid.rows * 8 > 0xFFFF ? 2 : 0);
    header->resizeSection(GridCells::AddressColumn, width(addressDigits, addressDigits));
    header->resizeSection(GridCells::FirstSeparator, std::max(s, metrics.horizontalAdvance(u':') + 4));
    header->resizeSection(GridCells::SecondSeparator, std::max(s, metrics.horizontalAdvance(u'\u00BB') + 4));
    const int dataDigits = GridCells::DataDigits(grid);
    for (int c = GridCells::FirstData; c <= GridCells::LastData; ++c)
        header->resizeSection(c, width(dataDigits, dataDigits));
    for (int c = GridCells::FirstCharacter; c <= GridCells::LastCharacter; ++c)
        header->resizeSection(c, width(1, 1));
    header->resizeSection(GridCells::FillerColumn, 1);
    m_table->verticalHeader()->setDefaultSectionSize(metrics.height() + 4);
}

void TPXedit::ShowPosition(int row, int column)
{
    const GridCells::PositionTexts texts = GridCells::PositionOf(m_model->Grid(), row, column);
    if (texts.row.isEmpty())
        return;
    m_row->setText(texts.row);
    m_column->setText(texts.column);
    m_address->setText(texts.address);
}

bool TPXedit::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_table && event->type() == QEvent::FocusIn)
        emit Entered();
    return QWidget::eventFilter(watched, event);
}
