#pragma once

#include <QMap>
#include <QString>

class SimulatedChip;

// A chip's whole memory in the HEX address map (byte address -> byte): 5X/XX words at twice
// their word address, low byte first, EE data one byte per word (high byte 0); 18X program bytes
// from 0, ID bytes at 0x200000, configuration bytes at 0x300000, EE data at 0xF00000. Stored
// values are written as they are, protection does not hide them.
QMap<quint32, quint8> ChipHexImage(const SimulatedChip& chip);

// Writes ChipHexImage as Intel HEX (INHX32: 16 data bytes per record, extended linear address
// records where the upper 16 bits change) through a temporary file.
bool WriteChipHex(const SimulatedChip& chip, const QString& path, QString* error);
