#include "core/context/HistoryLog.h"

#include <QStringList>

HistoryLog::HistoryLog(QObject* parent) : QObject(parent) {}

void HistoryLog::Initialise()
{
    for (Entry& entry : m_entries)
        entry = Entry{};
    emit Cleared();
}

void HistoryLog::AddLine(const QString& text, HistoryColour textColour, HistoryColour background)
{
    m_entries[m_next] = Entry{text, textColour, background};
    m_next = (m_next + 1) % Capacity;
    if (m_visibleCount < Capacity)
        ++m_visibleCount;
    emit LineAdded();
}

void HistoryLog::AddLine(const QString& text, HistoryStyle style)
{
    const HistoryStyleColours colours = ColoursOf(style);
    AddLine(text, colours.text, colours.background);
}

void HistoryLog::AppendColumn(const QString& text, int column, HistoryColour textColour, HistoryColour background)
{
    Entry& newest = m_entries[NewestIndex()];
    const qsizetype length = newest.text.size();
    if (length < column) {
        newest.text = newest.text.leftJustified(column, u' ') + text;
    } else if (column + text.size() + length > LineLimit) {
        AddLine(text.leftJustified(column, u' '), textColour, background);
        return;
    } else {
        newest.text += u' ' + text;
    }
    newest.textColour = textColour;
    newest.background = background;
    emit NewestLineChanged();
}

void HistoryLog::AppendColumn(const QString& text, int column, HistoryStyle style)
{
    const HistoryStyleColours colours = ColoursOf(style);
    AppendColumn(text, column, colours.text, colours.background);
}

const HistoryLog::Entry& HistoryLog::DisplayLine(int i) const
{
    const int index = ((m_next - m_visibleCount + i) % Capacity + Capacity) % Capacity;
    return m_entries[index];
}

const HistoryLog::Entry& HistoryLog::Newest() const
{
    return m_entries[NewestIndex()];
}

QStringList HistoryLog::DisplayText() const
{
    QStringList lines;
    lines.reserve(m_visibleCount);
    for (int i = 0; i < m_visibleCount; ++i)
        lines << DisplayLine(i).text;
    return lines;
}

bool HistoryLog::IsBold(const Entry& entry)
{
    return !entry.textColour.IsWindowText() && !entry.background.IsBlack();
}
