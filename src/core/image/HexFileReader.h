#pragma once

#include <QString>

class AppContext;

// Reads an Intel HEX file (INHX8M or INHX32; record addresses are byte addresses) into the memory
// image, mapping the PIC address conventions of the three core families, acting on the device
// records that name the MCU (";PIC<name>" comment lines and a data word at byte address 0xFFFE),
// classifying the width of the code, and logging what it finds.
//
// The file is read into memory once and examined in three passes: device-name comments, the
// device word, then storing. The first two may load another device profile, whose windows the
// third pass uses.
//
// A malformed file, a record with a wrong checksum (logged with its line number and both sums)
// and a file far larger than any device's HEX file (refused unread) throw ErrorOut with the
// operator's message ("Error in HEX file." and the others); the image then holds what was stored
// so far. Either way the caller runs the load reconciliation afterwards. Lines that are neither
// record nor comment, code beyond program memory and bytes given two values are logged as
// warnings and the load goes on. A read that completes clears NoValidFile and records the file's time
// stamp; a missing file or an ErrorOut sets NoValidFile and clears the time stamp.
void ReadHexFile(AppContext& ctx, const QString& path);
