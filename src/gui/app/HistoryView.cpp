#include "gui/app/HistoryView.h"

#include "gui/app/FixedPitchFont.h"
#include "gui/app/HistoryHeader.h"

#include <QEvent>
#include <QFontMetrics>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollBar>
#include <algorithm>

HistoryView::HistoryView(const HistoryLog& history, QWidget* parent)
    : QAbstractScrollArea(parent), m_history(history), m_header(new HistoryHeader(this))
{
    setFont(FixedPitchFont());
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    m_header->setFont(font());
    m_header->SetTextMargin(TextMargin);
    setViewportMargins(0, m_header->sizeHint().height(), 0, 0);

    connect(&m_history, &HistoryLog::LineAdded, this, &HistoryView::OnLineAdded);
    connect(&m_history, &HistoryLog::NewestLineChanged, this, &HistoryView::OnNewestLineChanged);
    connect(&m_history, &HistoryLog::Cleared, this, &HistoryView::OnCleared);

    MeasureAllLines();
    UpdateScrollBars();
    ScrollToNewest();
}

int HistoryView::TopRow() const
{
    return verticalScrollBar()->value();
}

int HistoryView::FullRowsVisible() const
{
    return std::max(1, viewport()->height() / RowHeight);
}

QRect HistoryView::RowRect(int row) const
{
    return {0, (row - TopRow()) * RowHeight, viewport()->width(), RowHeight};
}

bool HistoryView::IsRowInView(int row) const
{
    return row >= 0 && row < RowCount() && viewport()->rect().contains(RowRect(row));
}

QString HistoryView::RowText(int row) const
{
    return m_history.DisplayLine(row).text;
}

QColor HistoryView::RowTextColour(int row) const
{
    return Resolve(m_history.DisplayLine(row).textColour);
}

QColor HistoryView::RowBackground(int row) const
{
    return Resolve(m_history.DisplayLine(row).background);
}

bool HistoryView::IsRowBold(int row) const
{
    return HistoryLog::IsBold(m_history.DisplayLine(row));
}

QColor HistoryView::Resolve(HistoryColour colour) const
{
    // A list's "window" colours are what Qt calls the text and base roles (black on white by
    // default); QPalette::Window is the grey of dialogs and panels.
    switch (colour.kind) {
    case HistoryColour::Kind::Rgb: return QColor::fromRgb(colour.rgb);
    case HistoryColour::Kind::WindowText: return palette().color(QPalette::Text);
    case HistoryColour::Kind::Window: return palette().color(QPalette::Base);
    }
    return palette().color(QPalette::Text);
}

void HistoryView::ScrollToNewest()
{
    QScrollBar* bar = verticalScrollBar();
    bar->setValue(bar->maximum());
}

void HistoryView::paintEvent(QPaintEvent* event)
{
    QPainter painter(viewport());
    QFont regular = font();
    regular.setBold(false);
    QFont bold = regular;
    bold.setBold(true);

    const QRect area = event->rect();
    const int first = std::max(TopRow() + area.top() / RowHeight, 0);
    const int last = std::min(TopRow() + area.bottom() / RowHeight, RowCount() - 1);
    const int left = TextMargin - horizontalScrollBar()->value();
    for (int row = first; row <= last; ++row) {
        const HistoryLog::Entry& entry = m_history.DisplayLine(row);
        const QRect rowRect = RowRect(row);
        painter.fillRect(rowRect, Resolve(entry.background));
        painter.setFont(HistoryLog::IsBold(entry) ? bold : regular);
        painter.setPen(Resolve(entry.textColour));
        const QRect textRect(left, rowRect.top(), std::max(m_widestLine, rowRect.width()), RowHeight);
        painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, entry.text);
    }
}

void HistoryView::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    PlaceHeader();
    const bool wasAtBottom = verticalScrollBar()->value() == verticalScrollBar()->maximum();
    UpdateScrollBars();
    if (wasAtBottom)
        ScrollToNewest();
}

void HistoryView::scrollContentsBy(int, int)
{
    m_header->SetOffset(horizontalScrollBar()->value());
    viewport()->update();
}

void HistoryView::changeEvent(QEvent* event)
{
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_header->setFont(font());
        setViewportMargins(0, m_header->sizeHint().height(), 0, 0);
        MeasureAllLines();
        UpdateScrollBars();
        viewport()->update();
    } else if (event->type() == QEvent::PaletteChange) {
        viewport()->update();
    }
}

void HistoryView::OnLineAdded()
{
    NoteLineWidth(m_history.Newest().text);
    UpdateScrollBars();
    ScrollToNewest();
    // When the ring is full every row moves up by one while the scroll position stays.
    viewport()->update();
}

void HistoryView::OnNewestLineChanged()
{
    NoteLineWidth(m_history.Newest().text);
    const int newest = RowCount() - 1;
    viewport()->update(RowRect(newest));
}

void HistoryView::OnCleared()
{
    MeasureAllLines();
    UpdateScrollBars();
    viewport()->update();
}

void HistoryView::NoteLineWidth(const QString& text)
{
    QFont bold = font();
    bold.setBold(true); // the wider of the two weights, so bold lines never get cut off
    const int width = QFontMetrics(bold).horizontalAdvance(text) + 2 * TextMargin;
    if (width > m_widestLine) {
        m_widestLine = width;
        UpdateScrollBars();
    }
}

void HistoryView::MeasureAllLines()
{
    m_widestLine = 0;
    for (int row = 0; row < RowCount(); ++row)
        NoteLineWidth(RowText(row));
}

void HistoryView::UpdateScrollBars()
{
    QScrollBar* vertical = verticalScrollBar();
    const int fullRows = FullRowsVisible();
    vertical->setRange(0, std::max(0, RowCount() - fullRows));
    vertical->setPageStep(fullRows);
    vertical->setSingleStep(1);

    QScrollBar* horizontal = horizontalScrollBar();
    const int width = viewport()->width();
    horizontal->setRange(0, std::max(0, m_widestLine - width));
    horizontal->setPageStep(std::max(1, width));
    horizontal->setSingleStep(std::max(1, QFontMetrics(font()).horizontalAdvance(QLatin1Char('0'))));
}

void HistoryView::PlaceHeader()
{
    const QRect area = viewport()->geometry();
    const int height = m_header->sizeHint().height();
    m_header->setGeometry(area.left(), area.top() - height, area.width(), height);
}
