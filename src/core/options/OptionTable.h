#pragma once

#include <QtGlobal>
#include <array>

// The program's 80 options: each a present flag (does the option apply to the loaded device)
// and a value byte. The effective value is the value when present, else 0.
class OptionTable
{
public:
    static constexpr int Count = 80;

    struct Entry {
        bool present = true;
        quint8 value = 0;
    };

    quint8 Effective(int index) const { return Valid(index) && m_entries[index].present ? m_entries[index].value : 0; }
    quint8 Raw(int index) const { return Valid(index) ? m_entries[index].value : 0; }
    bool Present(int index) const { return Valid(index) && m_entries[index].present; }
    void SetPresent(int index, bool present)
    {
        if (Valid(index))
            m_entries[index].present = present;
    }
    void SetValue(int index, quint8 value)
    {
        if (Valid(index))
            m_entries[index].value = value;
    }

private:
    static bool Valid(int index) { return index >= 0 && index < Count; }
    std::array<Entry, Count> m_entries{};
};
