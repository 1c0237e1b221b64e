#pragma once

class AppContext;
class AppShell;

// The option-editing lock. A control file with CONTROL/hideoptions set opens with option editing
// locked: the options dialog shows nothing, the commands that change settings, data, the device or
// the file are hidden, and neither the control file nor the option keys of the settings store are
// written. Its password (CONTROL/PSED, plain text, compared exactly) unlocks it until the file is
// opened again. This is a convenience for the production floor, not a protection: anyone who can
// edit the control file can read or remove the password.
namespace OptionEditingLock {

// "Enable &Option Editing": asks for the password (not while the settings load or without a valid
// file) and, when it matches, unlocks, opens the current file again with the options kept in
// memory and shows the options dialog on its "General Options" page. A wrong password changes
// nothing and says nothing. Returns true when unlocked.
bool EnableOptionEditing(AppContext& ctx, AppShell& shell);

// "Disable &Option Editing": after the operator confirms, saves the settings and the control file
// with the lock set and opens the current file again, now locked. When something could not be
// written the lock is not applied (the file on disk would not be locked either) and the edits stay
// unsaved. Returns true when locked.
bool DisableOptionEditing(AppContext& ctx, AppShell& shell);

inline constexpr const char* PasswordTitle = "Notice - Password Required";
inline constexpr const char* PasswordText =
    "A Password is required to allow access to Praxon's Editors, Settings and Options.\r\r"
    "If you know your password, please enter it in the box below before selecting \"OK\".\r\r"
    "If you do not know your password, select \"OK\" or contact your supervisor.";
inline constexpr const char* DisableTitle = "Disable and Save Option Settings";

} // namespace OptionEditingLock
