#pragma once

#include <QString>

class AppContext;

// Opens an Intel HEX file (INHX8M or INHX32; record addresses are byte addresses) for the program:
// sets the window title, parses the text (ParseHexRecords), acts on the device records that name the
// MCU (";PIC<name>" comment lines and a data word at byte address 0xFFFE), stores the records into
// the memory image with the windows of the profile then loaded (StoreHexContent), and logs what
// was found in the history.
//
// A malformed file, a record with a wrong checksum (logged with its line number and both sums)
// and a file far larger than any device's HEX file (refused unread) throw ErrorOut with the
// operator's message ("Error in HEX file." and the others); the image then holds what was stored
// so far. Either way the caller runs the load reconciliation afterwards. Lines that are neither
// record nor comment, code beyond program memory and bytes given two values are logged as
// warnings and the load goes on. A read that completes clears NoValidFile and records the file's time
// stamp; a missing file or an ErrorOut sets NoValidFile and clears the time stamp.
void ReadHexFile(AppContext& ctx, const QString& path);
