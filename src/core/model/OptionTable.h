#pragma once

#include "core/model/OptionIndex.h"

#include <QString>
#include <QtGlobal>
#include <array>

// The program's 80 options: each a present flag (does the option apply to the loaded device, may
// its control be used) and a value byte. The effective value is the value when present, else 0;
// almost every reader uses it. An index outside 0..79 is a programming error: reads give 0 and
// writes are ignored.
//
// Beside the table live the scalars refreshed with it: the flash pulse-width position (PPW), the
// option-editing password and hidden-options flag, the keep-settings flag of the lock commands,
// and the index of the option whose control the refresh is setting (None when it sets none).
class OptionTable
{
public:
    static constexpr int Count = 80;
    static constexpr int None = 80;

    struct Entry {
        bool present = true;
        quint8 value = 0;
    };

    static bool Valid(int index) { return index >= 0 && index < Count; }

    quint8 Effective(int index) const { return Valid(index) && m_entries[index].present ? m_entries[index].value : 0; }
    bool IsEffective(int index) const { return Effective(index) != 0; }
    quint8 Raw(int index) const { return Valid(index) ? m_entries[index].value : 0; }
    bool IsSet(int index) const { return Raw(index) != 0; }
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
    void SetValue(int index, bool value) { SetValue(index, quint8(value ? 1 : 0)); }

    // Every entry present 1, value 1: the state before each load of the settings.
    void SetAllPresentAndOn();
    // Every value to its factory value ("Reset All Options to Default"); present flags stay.
    void SetFactoryValues();

    // The ID display mode, stored as one integer: 0 selects entry 68, 1 entry 69, 2 entry 79, any
    // other number none of them. Bit4Code gives the stored number: 1 if value 69 is set, else 0
    // if value 68, else 2 if value 79, else 1.
    void SetBit4(qint64 code);
    int Bit4Code() const;
    // The mask of the ID nibbles wherever ID words are read or written: 0x0F with value 69 set,
    // else 0x7F.
    quint16 IdNibbleMask() const { return IsSet(OptionIndex::IdHex4) ? 0x0F : 0x7F; }

    // Serial-number placement: value 65 := inCode, value 64 := not inCode.
    void SetSerialInCode(bool inCode);

    int PulseWidthPosition() const { return m_pulseWidth; }
    void SetPulseWidthPosition(int position) { m_pulseWidth = position; }
    const QString& Password() const { return m_password; }
    void SetPassword(const QString& password) { m_password = password; }
    // The text last entered in the password notice; kept between prompts, cleared by an unlock.
    const QString& EnteredPassword() const { return m_enteredPassword; }
    void SetEnteredPassword(const QString& password) { m_enteredPassword = password; }
    // Option editing is hidden by the control file (until unlocked with the password).
    bool OptionsHidden() const { return m_optionsHidden; }
    void SetOptionsHidden(bool hidden) { m_optionsHidden = hidden; }
    // While set, opening the current file again keeps the options in memory.
    bool KeepSettings() const { return m_keepSettings; }
    void SetKeepSettings(bool keep) { m_keepSettings = keep; }
    int OptionBeingShown() const { return m_beingShown; }
    void SetOptionBeingShown(int index) { m_beingShown = index; }

private:
    std::array<Entry, Count> m_entries{};
    int m_pulseWidth = 1;
    QString m_password;
    QString m_enteredPassword;
    bool m_optionsHidden = false;
    bool m_keepSettings = false;
    int m_beingShown = None;
};
