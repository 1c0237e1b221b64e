#pragma once

// Indices of the OptionTable entries that carry an option. The numbering leaves gaps (5-15,
// 19-31, 40-47, 54-62): those entries have no key and no control and are never read.
namespace OptionIndex {
constexpr int HideOptions = 0; // "Disable Option Editing" (CONTROL/hideoptions)
constexpr int NoRead = 1;      // "Disable READ functions"
constexpr int McuOverride = 2; // use the saved MCU instead of the HEX file's device record
constexpr int SkipBlank = 3;   // "Skip Blank Locations [ Faster ] "
constexpr int NoConfirm = 4;   // "Disable Task Confirmation Messages"
constexpr int Erase = 16;
constexpr int BlankCheck = 17;
constexpr int Verify = 18;
constexpr int ProgramCode = 32;
constexpr int ProgramEe = 33;
constexpr int ProgramId = 34;
constexpr int ProgramCal = 35;
constexpr int ProgramConfig = 36;
constexpr int SerialNumbering = 37;
constexpr int UseSqtp = 38;
constexpr int EeEditorOff = 39;    // "Disable EE Data Editor"
constexpr int WarnProtection = 48; // "Warn If Code/Data Protection is Enabled"
constexpr int IncludeDevice = 49;
constexpr int IncludeConfig = 50;
constexpr int IncludeEe = 51;
constexpr int IncludeCal = 52;
constexpr int IdOverride = 53;
constexpr int PulseWidth = 63;   // follows the device's FLASH flag
constexpr int SerialInEe = 64;   // serial-number placement: EE memory
constexpr int SerialInCode = 65; // serial-number placement: code memory
constexpr int EncodeRetlw = 66;
constexpr int AutoIncrement = 67;
constexpr int IdAscii7 = 68; // ID display mode "Use 7 Bit ASCII Values" (bit4 = 0)
constexpr int IdHex4 = 69;   // "Use 4 Bit HEX Values" (bit4 = 1)
constexpr int EeOverride = 70;
constexpr int FuseOverride = 71;
constexpr int HighSpeed = 72;
constexpr int NoVdd = 73; // 0 = monitor and power the target, 1 = self-powered target
constexpr int CompactView = 74;
constexpr int LockView = 75; // "Open in Compact View"
constexpr int MicrochipChecksum = 76;
constexpr int SkipPowerCycle = 77;
constexpr int NoForcePowerOff = 78;
constexpr int IdHex7 = 79; // "Use 7 Bit HEX Values" (bit4 = 2)
} // namespace OptionIndex
