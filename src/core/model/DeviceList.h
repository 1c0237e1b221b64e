#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>

// The main device table in the application directory.
inline constexpr const char* DeviceTableFile = "PXMCU.TBL";

// True for the characters a device key may end in to mark its support level or device note:
// '*', '~' and the Latin-1 characters 0xB0, 0xB2, 0xB3, 0xB9.
bool IsSupportMarker(QChar c);

// Sorts table lines case-insensitively by their whole text, key and value together.
void SortTableLines(QStringList& lines);

// The catalogue of supported devices: the lines of PXDEVICES ("key=code"), sorted
// case-insensitively by the whole line, with the device notes of DEVNOTES.
class DeviceList
{
public:
    void Clear();

    const QStringList& Lines() const { return m_lines; }
    // Every DEVNOTES value other than "X", in key order, each with one blank in front.
    const QStringList& Notes() const { return m_notes; }
    int Count() const { return int(m_lines.size()); }
    // -1 when no device is selected.
    int SelectedIndex() const { return m_selected; }
    void SetSelectedIndex(int index) { m_selected = index; }
    // The selected line, or an empty text when the index is outside the list.
    QString SelectedLine() const;

    // The device key (text before the first "=", marker included) and the code text after it.
    static QString KeyOf(const QString& line);
    static QString CodeOf(const QString& line);

    // Index of the first line containing name anywhere (key or code), or -1. The match ignores
    // case, as every other name lookup in the tables does; an empty name matches nothing.
    int FindByName(const QString& name) const;
    // Index of the first line whose code text, read as hexadecimal, equals code, or -1.
    int FindByCode(quint16 code) const;

    // Test and start-up seam: replaces the lines (sorted as Build sorts them).
    void SetLines(const QStringList& lines);
    void SetNotes(const QStringList& notes) { m_notes = notes; }

private:
    QStringList m_lines;
    QStringList m_notes;
    int m_selected = 0;
};
