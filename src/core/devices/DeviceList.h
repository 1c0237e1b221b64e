#pragma once

#include <QString>
#include <QStringList>

class AppContext;

// The catalogue of supported devices: the lines of PXDEVICES ("key=code"), sorted
// case-insensitively by the whole line, with the device notes of DEVNOTES.
class DeviceList
{
public:
    // Reads PXDEVICES and DEVNOTES of the main table; an empty list is reported and replaced by
    // the single line "16F877=877".
    void Build(AppContext& ctx);
    void Clear();

    const QStringList& Lines() const { return m_lines; }
    const QStringList& Notes() const { return m_notes; }
    int Count() const { return int(m_lines.size()); }
    int SelectedIndex() const { return m_selected; }
    void SetSelectedIndex(int index) { m_selected = index; }
    QString SelectedLine() const;

    // Index of the first line containing name anywhere (key or code), or -1.
    int FindByName(const QString& name) const;
    // Index of the first line whose code parses to code, or -1.
    int FindByCode(quint16 code) const;

    // Test and start-up seam: replaces the lines (sorted as Build sorts them).
    void SetLines(const QStringList& lines);

private:
    QStringList m_lines;
    QStringList m_notes;
    int m_selected = 0;
};

// Selection by name: true when found; the MCU name becomes name. Reports a miss as the device
// selection rules say and clears AutoRunPending.
bool SelectDeviceByName(AppContext& ctx, const QString& name);
// Selection by the 16-bit code of a HEX device record.
bool SelectDeviceByCode(AppContext& ctx, quint16 code);
