#pragma once

#include "core/context/HistoryColour.h"

#include <QObject>
#include <QString>
#include <array>

// The running record of what the program did: a ring of the last 1024 lines, each with its own
// text and background colour. Views ask for display line i when they paint; nothing is copied.
class HistoryLog : public QObject
{
    Q_OBJECT
public:
    static constexpr int Capacity = 1024;
    static constexpr int LineLimit = 120; // AppendColumn never makes a line longer than this

    struct Entry {
        QString text;
        HistoryColour textColour = HistoryColour::WindowText();
        HistoryColour background = HistoryColour::Window();
    };

    explicit HistoryLog(QObject* parent = nullptr);

    // Sets every entry to empty text in the system colours (start-up does this once).
    void Initialise();

    void AddLine(const QString& text, HistoryColour textColour, HistoryColour background);
    void AddLine(const QString& text, HistoryStyle style = HistoryStyle::Normal);
    void AppendColumn(const QString& text, int column, HistoryColour textColour, HistoryColour background);
    void AppendColumn(const QString& text, int column, HistoryStyle style);

    int VisibleCount() const { return m_visibleCount; }
    int NextWriteIndex() const { return m_next; }
    // Display line i (0 = top = oldest kept line), 0 <= i < VisibleCount().
    const Entry& DisplayLine(int i) const;
    const Entry& Newest() const;
    // The whole display as text lines, oldest first (for printing, saving and headless runs).
    QStringList DisplayText() const;

    // True when the line is drawn in bold: coloured text on a background other than black.
    static bool IsBold(const Entry& entry);

signals:
    // A new line was added (the view scrolls it into view).
    void LineAdded();
    // The newest line's text or colours changed in place.
    void NewestLineChanged();
    // Every entry was emptied (start-up); the ring positions are unchanged.
    void Cleared();

private:
    int NewestIndex() const { return (m_next + Capacity - 1) % Capacity; }

    std::array<Entry, Capacity> m_entries;
    int m_next = 0;
    int m_visibleCount = 1;
};
