#pragma once

#include <QString>

class AppContext;

// The per-user settings store: what belongs to the workstation (last opened file, recent files,
// serial port and its device map, sockets in use, window placements, panel sizes) and a record of
// the last saved options. It is a QSettings store in SettingsFileFormat (on Linux
// ~/.config/Kestrix/PX.ini; SettingsFileFormat::SetLocation, used for PRAXON_SETTINGS_DIR and by
// tests, moves it), under the key path
// "Software/Kestrix/PX/<application directory>/ini", so two installations keep separate
// settings. A file "PX.ini" in the application directory is a one-time preset: read instead of
// the store, saved into it and deleted.
namespace SettingsStore {

inline constexpr const char* PresetFileName = "PX.ini";

// The group path of an application directory: "Software/Kestrix/PX", one level per directory
// component (a drive included), then "ini".
QString KeyPath(const QString& appDir);
// The file behind the store (for messages and tests).
QString FileName();

// Loads the settings: window placements, then the store (or the preset) and the control file of
// the current file (ControlFile::Read). When no HEX path is known yet and mayTakeLastFile, the
// last opened file is taken from the store (start-up does; reopening without a file does not).
// An ErrorOut during the load leaves a usable state (COM1, a device name, factory options) and is
// passed on.
void Load(AppContext& ctx, bool mayTakeLastFile = true);

// Saves the settings into the store (never into a preset). The option keys are left as they were
// while option editing is locked. The store file is replaced atomically; false when it could not
// be written (the old file then stays as it was).
bool Save(AppContext& ctx);

// Reads and writes one text value of the store at once (the serial-number counter). The write is
// flushed to the file before it returns; false when it could not be stored.
QString ReadValue(const AppContext& ctx, const QString& section, const QString& key, const QString& fallback);
bool WriteValue(const AppContext& ctx, const QString& section, const QString& key, const QString& value);

} // namespace SettingsStore
