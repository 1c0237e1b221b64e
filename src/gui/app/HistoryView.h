#pragma once

#include "core/context/HistoryLog.h"

#include <QAbstractScrollArea>
#include <QColor>
#include <QFont>
#include <QRect>

class HistoryHeader;

// The "History" list of the main window: a virtual list over the program's HistoryLog. It keeps
// no copy of the lines; painting asks the log for display line i. Adding a line costs a scroll
// bar update and a repaint, whatever the length of the log, and brings the newest line into
// view. Rows are 15 pixels high in the fixed-pitch font; lines cannot be selected.
class HistoryView : public QAbstractScrollArea
{
    Q_OBJECT
public:
    static constexpr int RowHeight = 15;
    static constexpr int TextMargin = 2; // pixels left of a line's first character

    // The log must outlive the view.
    explicit HistoryView(const HistoryLog& history, QWidget* parent = nullptr);

    const HistoryLog& History() const { return m_history; }
    HistoryHeader* Header() const { return m_header; }

    // Rows are display lines: 0 is the oldest kept line, RowCount() - 1 the newest.
    int RowCount() const { return m_history.VisibleCount(); }
    // The row drawn at the top of the list.
    int TopRow() const;
    // Rows that fit completely into the list's height (at least 1).
    int FullRowsVisible() const;
    // A row's rectangle in viewport coordinates; a row is in view when this lies inside the viewport.
    QRect RowRect(int row) const;
    bool IsRowInView(int row) const;

    // What painting uses for a row, exposed so that the look can be checked without pixels.
    QString RowText(int row) const;
    QColor RowTextColour(int row) const;
    QColor RowBackground(int row) const;
    bool IsRowBold(int row) const;
    // A history colour as drawn here: the system colours are the list's text and base colours.
    QColor Resolve(HistoryColour colour) const;

    // Brings the newest line into view (done on every added line).
    void ScrollToNewest();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;

private:
    void OnLineAdded();
    void OnNewestLineChanged();
    void OnCleared();
    // Widens the horizontal scroll range when text is wider than any line seen so far.
    void NoteLineWidth(const QString& text);
    void MeasureAllLines();
    void UpdateScrollBars();
    void PlaceHeader();

    const HistoryLog& m_history;
    HistoryHeader* m_header;
    int m_widestLine = 0; // pixels, grows only (until the log is cleared or the font changes)
};
