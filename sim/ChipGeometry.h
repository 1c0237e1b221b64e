#pragma once

#include <QString>
#include <QVector>

// The memory layout of one device, read from our device table (PXMCU.TBL and its extension
// tables): what a simulated chip of that device holds and where each region sits in the HEX
// address map.
struct ChipGeometry {
    enum class Family { Baseline, Midrange, Pic18 }; // "5X", "XX", "18X"

    QString name;
    Family family = Family::Midrange;
    int rom = 0;       // program words, without calibration words at the top of program memory
    int ee = 0;        // data EEPROM bytes
    bool flash = true; // false: one-time programmable (EPROM)
    int paw = 1;
    int idLoc = 0;     // word address of the ID words (5X, XX)
    int eeLoc = 0;     // word address of the EE data in the HEX map (XX)
    qint64 cfgLoc = 0; // word address (5X, XX) or byte address (18X) of configuration word 0
    int cfgWords = 1;
    QVector<quint16> fuseMask; // implemented bits per configuration word
    QVector<quint16> cpMask;   // 0 at the protection bits
    int cal = 0;               // calibration words
    int calOffset = 0;         // one past the last calibration word (0: right after program memory)
    bool bcal = false;         // a backup copy of the calibration exists
    int bcalLoc = 0;           // its word address
    quint16 calMask = 0;
    quint16 xcal1Mask = 0; // calibration bits kept in configuration word 0

    // Bits of one program word: 0x0FFF, 0x3FFF or 0xFFFF.
    quint16 CodeWidth() const;
    // The script byte that names this family (docs/box-operations.md).
    quint8 FamilyCode() const;
    int IdCount() const { return family == Family::Pic18 ? 8 : 4; }
    // Calibration words (primary copy) and where they sit.
    int CalibrationCount() const;
    int CalibrationBase() const;
    bool HasCalibration() const { return cal > 0; }
    // Whether the calibration words are cells of the program array: they start inside program
    // memory or right after its last word (the factory OSCCAL word at the top of program memory).
    // Otherwise they live in a separate place of their own.
    bool CalibrationInProgramArray() const;
    // Cells of the chip's program array: ROM words plus the calibration words at its top.
    int ProgramArrayWords() const;

    // Reads the device's section (following EXT= to an extension table). On failure returns false
    // and puts a reason into *error.
    static bool Load(const QString& tablePath, const QString& device, ChipGeometry* out, QString* error);
};
