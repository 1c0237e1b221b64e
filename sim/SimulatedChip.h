#pragma once

#include "ChipGeometry.h"
#include "ChipTiming.h"
#include "core/link/BoxProtocol.h"

#include <QMap>
#include <QVector>

// One PIC in a socket of the simulated box, with real memory: program words, EE data bytes, ID
// locations, configuration words, calibration words and their backup copy. The box's operations
// (docs/box-operations.md) act on it item by item, as a programmer would:
//  - Flash parts erase to all ones; EPROM (one-time programmable) parts ignore an erase, and
//    programming them can only clear bits.
//  - The program array holds the ROM program words and, above them, the factory calibration
//    words at the top of the part's program memory (the OSCCAL word): real cells of the array
//    that code operations, which cover ROM words, never reach and calibration operations address.
//  - Erasing program memory keeps the calibration words and the calibration bits of
//    configuration word 0; only the whole-device erase clears them (and their backup).
//  - While a configuration word has one of its protection bits cleared, program memory and EE
//    data read as 0.
//  - A bad cell keeps its stuck value whatever is written or erased.
// Items are addressed by region index (0 = the region's first cell).
class SimulatedChip
{
public:
    using Region = BoxProtocol::Region;

    explicit SimulatedChip(const ChipGeometry& geometry);

    const ChipGeometry& Geometry() const { return m_geometry; }
    // The chip's write and erase times.
    const ChipTiming& Timing() const { return m_timing; }
    void SetTiming(const ChipTiming& timing) { m_timing = timing; }

    // Factory state: blank, with calibration values (and calibration bits in configuration word
    // 0) as a factory leaves them. The values are fixed per device so that tests can name them.
    void FactoryReset();
    quint16 FactoryCalibration() const;
    quint16 FactoryXcalBits() const;

    // A program-array word that is stuck at value.
    void SetBadCell(int codeAddress, quint16 value);

    // The program array by word address, calibration words at its top included: its size and the
    // stored value of one cell (0 outside it), ignoring protection.
    int ProgramArrayWords() const { return int(m_code.size()); }
    quint16 ProgramWord(int address) const;

    int RegionSize(Region region) const;
    // HEX-map address of the region's first cell (word address on 5X/XX, byte address on 18X;
    // configuration words count by word number).
    qint64 RegionBase(Region region) const;
    // Region index of an address: addresses at or above the region base count from it,
    // smaller ones are taken as indexes (18X program memory counts in byte addresses).
    qint64 IndexOf(Region region, qint64 address) const;
    quint16 Erased(Region region, int index) const;
    quint16 Width(Region region) const;

    // What a programmer reads (protection applies); out-of-range cells read 0.
    quint16 Read(Region region, int index) const;
    // The stored value, ignoring protection (for dumps and tests).
    quint16 Raw(Region region, int index) const;
    void SetRaw(Region region, int index, quint16 value);

    // Writes value under mask; returns whether the cell then reads back value under mask.
    bool Program(Region region, int index, quint16 value, quint16 mask);
    bool Verify(Region region, int index, quint16 value, quint16 mask) const;
    bool IsBlank(Region region, int index, quint16 mask) const;
    // Erases the region (RegDevice: everything); returns the index of the first cell that is not
    // blank afterwards, or -1.
    int Erase(Region region);

    bool CodeProtected() const;

private:
    QVector<quint16>* Cells(Region region, int* offset);
    const QVector<quint16>* Cells(Region region, int* offset) const;
    void EraseCells(Region region);
    bool Stuck(Region region, int index, quint16* value) const;

    ChipGeometry m_geometry;
    ChipTiming m_timing;
    QVector<quint16> m_code, m_ee, m_id, m_config, m_backup, m_separateCalibration;
    QMap<int, quint16> m_badCells; // program word address -> stuck value
};
