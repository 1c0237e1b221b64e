#pragma once

#include <QSettings>
#include <QString>

// The file format of the per-user settings store: an INI file with one section per key group
// ("[Software/Kestrix/PX/.../ini/OPTIONS]") and "key=value" lines, values as text (backslash,
// carriage return and line feed escaped as \\, \r, \n), UTF-8 (a line that is not valid UTF-8
// is read as Latin-1). QSettings writes it through a temporary file that replaces the old one;
// every byte is written straight to that file and checked, so a full disk makes the save fail
// (the old file stays) instead of leaving a shortened file behind.
namespace SettingsFileFormat {

// The registered format (registered on first use).
QSettings::Format Format();

// Moves the per-user store of this process into dir (dir/Kestrix/PX.ini).
void SetLocation(const QString& dir);

// The two halves of the format, for tests.
bool Read(QIODevice& device, QSettings::SettingsMap& map);
bool Write(QIODevice& device, const QSettings::SettingsMap& map);
// The system's reason for the last failed write of this process (empty after a good one).
QString LastWriteError();

} // namespace SettingsFileFormat
