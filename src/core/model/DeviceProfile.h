#pragma once

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <array>
#include <vector>

// Core families: "5X" (12-bit instructions), "XX" (14-bit), "18X" (16-bit); "UNKNOWN" otherwise.
enum class CoreFamily { Unknown, Core5X, CoreXX, Core18X };

// Reads the CORE text of the device table (blanks and case ignored); anything else is Unknown.
CoreFamily CoreFamilyFromText(const QString& text);
// "5X", "XX", "18X" or "UNKNOWN".
QString CoreFamilyText(CoreFamily family);

// One option of a configuration-word field: its value and its label as listed to the operator.
struct ConfigOption {
    quint16 value = 0xFFFF;
    QString label;
};

struct ConfigField {
    static constexpr int MaxOptions = 16;
    QString name;
    QString displayName;
    std::vector<ConfigOption> options; // at most MaxOptions
    int selected = 0;                  // index of the option found in the image
};

struct ConfigWord {
    static constexpr int MaxFields = 16;
    quint16 protectMask = 0; // CPMASK: 0 at the word's code-protection bits, 1 elsewhere
    quint16 implementedMask = 0xFFFF;
    quint16 value = 0xFFFF;
    std::vector<ConfigField> fields; // at most MaxFields

    int FieldCount() const { return int(fields.size()); }
};

struct XcalChoice {
    quint16 value = 0;
    QString label; // name padded to 10, " [", hex as written, "]"
};

// Every parameter of the selected MCU, read from its section of the device table.
struct DeviceProfile {
    static constexpr int MaxConfigWords = 8;
    static constexpr int MaxXcalChoices = 16;

    // Identity.
    QString deviceKey;                              // the device-list key as listed, marker included
    QString sectionName;                            // the key without its support marker
    QString deviceCode;                             // hex text from the device list
    QString supportLevel = QStringLiteral("FULL");  // "FULL", "Beta" or "Partial"
    QString extFile;                                // extension table the keys came from; empty for the main table
    QString tableVersion = QStringLiteral("NONE");  // VERSION of the main table at load time
    QString tableSoftware = QStringLiteral("NONE"); // SOFTWARE of the main table at load time

    // Keys, in the order the table is read.
    int rom = 0;
    int ee = 0;
    QString coreText = QStringLiteral("UNKNOWN");
    CoreFamily core = CoreFamily::Unknown;
    quint16 idMask = 0xFF80;
    QString plates = QStringLiteral("NONE");
    bool serial = true;
    bool parity = false;
    bool flash = false;
    int panel = 0;
    int panelCount = 1;
    int paw = 1;
    bool singleWordWrites = true; // PAW <= 1
    int sc = 3;
    int eeLoc = 0;
    int idLoc = 0;
    int cfgLoc = 0x2007;
    QChar pmod = u'A';
    bool bcal = false;
    int bcalLoc = 0;
    int calOffset = 0;
    int cal = 0; // doubled when bcal is set
    quint16 calMask = 0;
    int xcal = 0;
    quint16 xcal1Mask = 0;
    int cfgWords = 1;                         // 1 .. MaxConfigWords
    std::array<int, MaxConfigWords> cfgSeq{}; // programming order of the configuration words
    int cfgSeqCount = 0;                      // entries used in cfgSeq
    QString manufacturer = QStringLiteral("MICROCHIP");
    int pwr = 5;
    int pwrOff = 6;
    int vmode = 3;

    // Derived.
    bool hasCalibration = false;      // CAL >= 1
    bool hasExtraCalibration = false; // CAL >= 1 and XCAL >= 1
    QString xcalTitle;
    std::vector<XcalChoice> xcalChoices; // at most 16
    std::array<ConfigWord, MaxConfigWords> words{};
    int selectedWord = 0;

    bool HasEe() const { return ee > 0; }
};
