#pragma once

class AppContext;
class SettingsSink;

// The two places the option keys are written to. The control file gets every key of the HEX file's
// setup; the settings store gets the same record of the last saved settings without LOCKVIEW,
// PSED, PPW, COMPACTVIEW and CKSUMMC (it writes the last two itself), with Highspeed after
// EEoverride, HEXFILE (the last opened file) after hideoptions and nexthexsn after LOGF.
enum class OptionKeysTarget { ControlFile, SettingsStore };

// Writes the option keys, the three override sections and the serial-number keys in the order a
// control file lists them: raw option values; bit4 from the ID display mode; EEOVERRIDE erased and
// rewritten only when the EE override is effective; FUSEOVERRIDE (not erased: keys beyond the
// device's word count stay) only when the fuse override is effective; IDOVERRIDE only when the ID
// override is effective. Writing LOCKVIEW as 1 to a control file first turns the compact view on.
void WriteOptionKeys(AppContext& ctx, SettingsSink& sink, OptionKeysTarget target);
