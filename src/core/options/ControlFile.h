#pragma once

#include <QString>

class AppContext;
class IniFile;

// The control file of a HEX file: an INI file with the HEX file's path and the extension ".PXC"
// that holds its options, data overrides, serial-number settings and counters, and the
// option-editing lock.
namespace ControlFile {

// Reads the control file at CurrentFile's control-file path into the options, the serial-number
// settings and the lock state; a missing file (or an empty path) gives every default, a file that
// is there but cannot be read interrupts the read with an ErrorOut. This
// continues the settings load and runs only inside it. A serial-number length above 65535 (or
// below 0) interrupts the read with an ErrorOut; any other length is kept as the file says, and
// serial numbering refuses one that its buffers cannot hold. The override sections are read
// later, by the load reconciliation.
void Read(AppContext& ctx);
void Read(AppContext& ctx, const IniFile& file);

// Writes the current state to the control-file path (nothing without a path, nothing while option
// editing is locked). The file is replaced atomically: a failed write leaves the old file intact,
// shows the "File Error" box and returns false.
bool Write(AppContext& ctx);

// Reads and writes one SERIALNUM value of the control file at its path at once (the serial-number
// counter, whatever the option-editing lock). The write replaces the file atomically; false when
// there is no path or the file could not be written, with the reason in *errorText.
QString ReadSerialValue(const QString& controlPath, const QString& key, const QString& fallback);
bool WriteSerialValue(const QString& controlPath, const QString& key, const QString& value,
                      QString* errorText = nullptr);

// The HEX path a control file names (CONTROL/HEXFILE), made absolute against the control file's
// directory; empty when the file or the key is missing.
QString HexFileOf(const QString& controlPath);

// True when the path's extension is ".PXC" in any case.
bool IsControlFile(const QString& path);

// The control-file path of a HEX path: its extension replaced by ".PXC". When a file of that name
// exists in another letter case (BOARD.PXC beside board.hex), that existing file is used.
QString ControlPathFor(const QString& hexPath);

} // namespace ControlFile
