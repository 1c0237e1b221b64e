#pragma once

#include <QString>

class AppContext;
class AppShell;

// The file commands around options and control files, for the main window's File menu: open a
// HEX or control file, save the option settings, and the prompt to save changed options before a
// file is closed or the program ends.
namespace FileCommands {

// "&Open File ...": asks for a file ("Open HEX File") and opens it.
void OpenFileCommand(AppContext& ctx, AppShell& shell);

// Opens a HEX file (its control file is the path with ".PXC", found whatever the case of its
// name) or a control file (its CONTROL/HEXFILE names the HEX file), after the close prompt for
// the file open now. A missing control file named directly is reported and nothing is read.
void OpenFile(AppContext& ctx, AppShell& shell, const QString& path);

// Offers to save changed options ("Save Option Settings/Data") and saves the workstation
// settings. Nothing of the file is written while option editing is locked. Returns false when
// something that should have been written could not be; the edits then stay marked as unsaved.
bool ClosePrompt(AppContext& ctx);

// "&Save Option settings": saves the settings and the control file, then opens the control file
// again so that everything shown comes from the file just written. A failed save reports the
// failure, keeps the edits in memory (still unsaved) and does not reopen the file.
bool SaveOptionSettings(AppContext& ctx, AppShell& shell);

// The options dialog's "Save Option Settings Now": the same save, with its own message.
bool SaveOptionSettingsNow(AppContext& ctx, AppShell& shell);

// The texts shown after a successful save (File menu and close prompt; options dialog).
inline constexpr const char* SavedMessage = "Option Settings/Data have been saved.";
inline constexpr const char* SavedNowMessage = "Option Settings have been saved.";

} // namespace FileCommands
