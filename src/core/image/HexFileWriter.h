#pragma once

#include <QString>

class AppContext;

// Writes the memory image as an Intel HEX file that the reader and the chip vendor's tools read:
// data records of 1 to 8 words (low byte first) at byte addresses, extended linear address records
// where an address needs more than 16 bits, blank words left out (a word is blank when it equals
// its region's grid mask under that mask), then the ID record, the configuration record (option
// 50), the EE data (option 51), calibration data (option 52), the end-of-file record and, with
// option 49, a ";PIC" + MCU name device record after it.
//
// The file is written to a temporary file and renamed into place only when complete, so a failure
// keeps the previous file. Returns false and sets *errorText to the system's reason on failure.
bool WriteHexFile(AppContext& ctx, const QString& path, QString* errorText = nullptr);

// The "Save Hex File As" command: asks for a name (proposing the current HEX file), appends ".hex"
// to a name without extension, and writes the file; a failure is shown in a "File Error" box
// naming the file and the reason. Returns true when a file was written.
bool SaveHexFileAs(AppContext& ctx);
