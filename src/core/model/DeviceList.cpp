#include "core/model/DeviceList.h"
#include "core/util/HexText.h"

#include <algorithm>

void SortTableLines(QStringList& lines)
{
    std::stable_sort(lines.begin(), lines.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
}

bool IsSupportMarker(QChar c)
{
    switch (c.unicode()) {
    case u'*':
    case u'~':
    case 0xB0:
    case 0xB2:
    case 0xB3:
    case 0xB9: return true;
    default: return false;
    }
}

void DeviceList::Clear()
{
    m_lines.clear();
    m_notes.clear();
    m_selected = 0;
}

QString DeviceList::SelectedLine() const
{
    return m_selected >= 0 && m_selected < Count() ? m_lines.at(m_selected) : QString();
}

QString DeviceList::KeyOf(const QString& line)
{
    QString rest = line;
    return SplitAtSeparator(rest, u'=');
}

QString DeviceList::CodeOf(const QString& line)
{
    QString rest = line;
    SplitAtSeparator(rest, u'=');
    return rest;
}

int DeviceList::FindByName(const QString& name) const
{
    if (name.isEmpty())
        return -1;
    for (int i = 0; i < Count(); ++i) {
        if (m_lines.at(i).contains(name, Qt::CaseInsensitive))
            return i;
    }
    return -1;
}

int DeviceList::FindByCode(quint16 code) const
{
    for (int i = 0; i < Count(); ++i) {
        if (ParseHexText(CodeOf(m_lines.at(i))) == code)
            return i;
    }
    return -1;
}

void DeviceList::SetLines(const QStringList& lines)
{
    m_lines = lines;
    SortTableLines(m_lines);
}
