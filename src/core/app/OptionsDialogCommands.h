#pragma once

#include <QString>

class AppContext;
class AppShell;

// What the options dialog's controls do beyond the option click protocol: the serial-number
// length and start-address fields, the placement buttons, the pulse width, the target power
// group, the high-speed box, the password box and the bottom bar's buttons. The dialog calls
// these and shows what they return; the state lives in the context.
namespace OptionsDialogCommands {

// How the serial-number length and address fields look.
enum class FieldLook {
    Disabled, // numbering off: button shadow colour, read-only
    FromSqtp, // the SQTP file supplies length and address: button face colour, read-only
    Editable  // window colour, editable
};
struct SerialFieldState {
    bool enabled = false; // the two fields and their labels (effective 37)
    FieldLook look = FieldLook::Disabled;
    bool ReadOnly() const { return look != FieldLook::Editable; }
};
SerialFieldState SerialFields(AppContext& ctx);

// The start address of the memory that receives serial numbers (code or EE by the code-space
// flag), in upper-case hexadecimal without leading zeros.
QString StartAddressText(AppContext& ctx);

// The texts the two fields show after an edit.
struct SerialFieldTexts {
    QString length;
    QString address;
};
// A change of the length field: empty or below 1 becomes 1, above 8 becomes 8 (silently); the
// address is then checked against the new length.
SerialFieldTexts LengthEdited(AppContext& ctx, const QString& lengthText, const QString& addressText);
// A change of the address field (hexadecimal; other characters are ignored): an address that
// leaves less than the length below the end of the memory is lowered, with the "Serial Number
// Address Out of Range" warning. Stored as the code or EE start address. Nothing happens while the
// settings load. Returns the text the field shows.
QString AddressEdited(AppContext& ctx, const QString& addressText);

// "Place Serial Number in CODE Memory" (inCode) or "... in EEPROM Memory" clicked.
void PlaceSerialNumber(AppContext& ctx, bool inCode, bool ticked);
// "Enable Serial Numbering" or "Use Existing Microchip SQTP File" clicked: the click protocol,
// then the configuration-word displays and the information report.
void SerialNumberingClicked(AppContext& ctx, int index, bool checked);
// "Use High Speed Transfers" clicked: the next reset negotiates the link speed again.
void HighSpeedClicked(AppContext& ctx, bool checked);
// An item of the " Target VDD Option " group chosen. False when the device cannot power itself
// (the group must be put back on item 0).
bool TargetVddChosen(AppContext& ctx, int item);
// The pulse-width slider moved to position.
void PulseWidthMoved(AppContext& ctx, int position);
// The operator typed in the password box.
void PasswordEdited(AppContext& ctx, const QString& text);
// "Reset All Options to Default".
void ResetAllToDefault(AppContext& ctx);

inline constexpr const char* AddressRangeTitle = "Serial Number Address Out of Range";

} // namespace OptionsDialogCommands
