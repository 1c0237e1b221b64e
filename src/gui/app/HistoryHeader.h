#pragma once

#include <QString>
#include <QWidget>

// The header row above the history list. It is drawn in the list's fixed-pitch font and moves
// with the list's horizontal scrolling, so that "Status" stays over the status column.
class HistoryHeader : public QWidget
{
    Q_OBJECT
public:
    explicit HistoryHeader(QWidget* parent = nullptr);

    // " History", padded so that "Status" starts at character position 40.
    static QString Text();

    // The text's left edge in pixels, before the horizontal scroll offset.
    void SetTextMargin(int pixels);
    // The list's horizontal scroll position in pixels.
    void SetOffset(int pixels);
    int Offset() const { return m_offset; }

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int m_textMargin = 0;
    int m_offset = 0;
};
