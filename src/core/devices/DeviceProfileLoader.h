#pragma once

#include <QString>

class AppContext;
class IniFile;
struct DeviceProfile;

// Loads the profile of the device at the selected index of the device list from the device table
// (or from the extension table the device's section names) and applies what the core holds so
// far: the serial-numbering option availability, the MCU box, the field selectors and the
// history line. A missing file, section or key gives the defaults and is not reported; a table
// of another software version is reported and loading continues.
void LoadDeviceProfile(AppContext& ctx);
// The same from a device table already read (extension tables are still read from the
// application directory).
void LoadDeviceProfile(AppContext& ctx, const IniFile& table);

// The section name and support level ("FULL", "Beta", "Partial") of a device key: a key ending in
// a support marker names the section without its last two characters (marker and separator).
QString SectionNameOfKey(const QString& key);
QString SupportLevelOfKey(const QString& key);
