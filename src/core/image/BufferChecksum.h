#pragma once

#include <QtGlobal>

class AppContext;

// The checksum over what the current options would program. Plain mode (option 76 clear) adds,
// under a 31-bit mask, the code words (option 32), EE bytes (33), configuration words (36) and the
// ID nibbles (34). Microchip mode (option 76 set) follows the vendor's tools: a 16-bit sum of
// program memory, the configuration words when option 36 is in effect, and the ID nibbles only
// when some code-protection bit of a configuration word is 0. Code and EE words are taken under
// their grid masks, configuration words under their implemented masks. The ID nibbles count as
// one 16-bit number (ID word 0 most significant) on 5X/XX devices and as a sum on 18X devices.
quint64 ChecksumOf(AppContext& ctx);

// Computes the checksum, logs " Checksum Calculated: $" + the value when it differs from the
// previous one (4 hex digits in Microchip mode, 8 otherwise), and keeps it as LastChecksum.
void ComputeChecksum(AppContext& ctx);
