// Checks the support files we ship (device tables, templates, firmware images) for the faults a
// hand-edited table picks up: a device without a section, a mask that contradicts its fields, a
// configuration option that clears a bit of another field, a missing protection mask, files of
// one set carrying different dates, a damaged firmware image.

#include "TestPaths.h"
#include "core/util/HexText.h"
#include "core/util/IniFile.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QtTest>

#include <algorithm>
#include <map>

using namespace Qt::StringLiterals;

namespace {

const QString kSoftware = u"Version 2.8.0"_s;
const QString kPraxon = u"PRAXON"_s;

QString Shipped(const QString& name)
{
    return TestPaths::ShippedData() + name;
}

// A device key may end in a blank and one of these markers; its section is the key without both.
bool IsMarker(QChar c)
{
    return c == u'*' || c == u'~' || c == QChar(0xB0) || c == QChar(0xB2) || c == QChar(0xB3) || c == QChar(0xB9);
}

struct DeviceEntry {
    QString key;     // as listed, marker included
    QString section; // key without marker
    QString code;    // device code text
    QChar marker;    // 0 when unmarked
};

// Bits a configuration word of the core family can hold; 0 for an unknown core.
quint32 CoreWidth(const QString& core)
{
    if (core == u"5X"_s)
        return 0x0FFF;
    if (core == u"XX"_s)
        return 0x3FFF;
    if (core == u"18X"_s)
        return 0xFFFF;
    return 0;
}

QString WordKey(const char* base, int word)
{
    return word == 0 ? QString::fromLatin1(base) : QString::fromLatin1(base) + QString::number(word);
}

// Reads a hexadecimal key that must be present and hold 1 to 4 valid digits (an empty value
// would silently read as F). Returns false with the reason in *why.
bool ReadHexKey(const IniFile& file, const QString& section, const QString& key, quint32* value, QString* why)
{
    if (!file.KeyExists(section, key)) {
        *why = section + u'/' + key + u" is missing"_s;
        return false;
    }
    const QString text = file.ReadString(section, key, QString());
    bool error = false;
    *value = quint32(ParseHexText(text, &error));
    if (text.isEmpty() || text.size() > 4 || error) {
        *why = section + u'/' + key + u" is not 1-4 hex digits: \""_s + text + u'"';
        return false;
    }
    return true;
}

// One configuration-field option line "_[CFGd_]FIELD_OPTION=hex".
struct FieldLine {
    int word = 0;
    QString field;
    QString option;
    QString valueText;
};

// Splits a field line the way the profile loader reads it: with several words, a first part
// containing "CFG" names the word by its fourth character; the next part is the field and the
// rest the option.
bool ParseFieldLine(const QString& line, int cfgWords, FieldLine* out, QString* why)
{
    const qsizetype eq = line.indexOf(u'=');
    QString rest = line.left(eq).mid(1);
    out->valueText = line.mid(eq + 1);
    if (cfgWords > 1) {
        const qsizetype sep = rest.indexOf(u'_');
        const QString first = rest.left(sep);
        if (sep < 0 || !first.contains(u"CFG"_s) || first.size() < 4 || !first.at(3).isDigit()) {
            *why = line + u": a device with several words needs the _CFGd_ prefix on every field line"_s;
            return false;
        }
        out->word = first.at(3).digitValue();
        rest = rest.mid(sep + 1);
    } else if (rest.startsWith(u"CFG"_s)) {
        *why = line + u": a single-word device would read CFG.. as the field name"_s;
        return false;
    }
    const qsizetype sep = rest.indexOf(u'_');
    out->field = rest.left(sep);
    out->option = sep < 0 ? QString() : rest.mid(sep + 1);
    if (sep < 0 || out->field.isEmpty() || out->option.isEmpty()) {
        *why = line + u": expected _FIELD_OPTION"_s;
        return false;
    }
    return true;
}

// Values pinned from the datasheet facts: sizes (ROM without a calibration word at the top of
// program memory), the configuration address (a byte address on 18X), the masks of word 0 and
// the device code.
struct DeviceFact {
    const char* key;
    int rom, ee;
    const char* core;
    int cfgloc, cfgwords;
    const char *fusemask, *cpmask, *code;
};
const DeviceFact kFacts[] = {
    {"16F877A", 8192, 256, "XX", 0x2007, 1, "2FCF", "DEFF", "0E20"},
    {"16F877", 8192, 256, "XX", 0x2007, 1, "3BFF", "CECF", "09A0"},
    {"16F84A", 1024, 64, "XX", 0x2007, 1, "3FFF", "C00F", "0560"},
    {"16F88", 4096, 256, "XX", 0x2007, 2, "3FFF", "DEFF", "0760"},
    {"12F675", 1023, 128, "XX", 0x2007, 1, "01FF", "FE7F", "0FC0"},
    {"12F508", 511, 0, "5X", 0xFFF, 1, "001F", "FFF7", "F508"},
    {"16C57 *", 2048, 0, "5X", 0xFFF, 1, "000F", "FFF7", "C057"},
    {"18F452", 16384, 256, "18X", 0x300000, 7, "2700", "FFFF", "0420"},
    {"18F2550 ~", 16384, 256, "18X", 0x300000, 7, "CF3F", "FFFF", "1240"},
};

// Datasheet facts of the parts whose factory oscillator calibration (OSCCAL) is an instruction
// in their program memory: the size of program memory in words (OSCCAL word included), the
// OSCCAL address, its backup copy (0 = none) and the first ID word (on 12-bit parts right after
// program memory).
struct OscCalFact {
    const char* section;
    int programWords;
    int osccal;
    int backup;
    int idloc;
};
const OscCalFact kOscCalFacts[] = {
    {"12F675", 1024, 0x3FF, 0, 0x2000},   {"12F629", 1024, 0x3FF, 0, 0x2000}, {"12F508", 512, 0x1FF, 0x204, 0x200},
    {"10F200", 256, 0x0FF, 0x104, 0x100}, {"12C508A", 512, 0x1FF, 0, 0x200},
};

// Fields whose bits protect program or data memory: CP, CPD, CPB and the block bits CP0..CP9.
bool IsProtectionField(const QString& field)
{
    static const QRegularExpression re(u"^CP[0-9BD]?$"_s);
    return re.match(field).hasMatch();
}

} // namespace

class TestShippedTable : public QObject
{
    Q_OBJECT

    IniFile m_table;
    std::map<QString, IniFile> m_extensions; // by upper-case file name
    QList<DeviceEntry> m_devices;
    int m_red = 0;
    int m_mod = 0;

    // The file whose section holds the device's keys: the extension table when EXT names one.
    const IniFile* KeysFile(const DeviceEntry& device) const
    {
        const QString ext = m_table.ReadString(device.section, u"EXT"_s, u"NO"_s);
        if (ext == u"NO"_s)
            return &m_table;
        const auto it = m_extensions.find(ext.toUpper());
        return it == m_extensions.end() ? nullptr : &it->second;
    }

    void AddDeviceRows()
    {
        QTest::addColumn<int>("index");
        for (int i = 0; i < m_devices.size(); ++i)
            QTest::newRow(qPrintable(m_devices[i].section)) << i;
    }

private slots:
    void initTestCase()
    {
        QVERIFY2(m_table.Load(Shipped(u"PXMCU.TBL"_s)), "PXMCU.TBL missing");
        m_red = int(m_table.ReadInteger(kPraxon, u"RED"_s, 6));
        m_mod = int(m_table.ReadInteger(kPraxon, u"MOD"_s, 4));
        for (int n = 1; n <= m_red; ++n) {
            const QString name = u"PXMCU"_s + QString::number(n) + u".TBL"_s;
            QVERIFY2(m_extensions[name].Load(Shipped(name)), qPrintable(name + u" missing"_s));
        }
        for (const QString& line : m_table.ReadSectionLines(u"PXDEVICES"_s)) {
            const qsizetype eq = line.indexOf(u'=');
            QVERIFY2(eq > 0, qPrintable(u"device line without key=code: "_s + line));
            DeviceEntry device;
            device.key = line.left(eq).trimmed();
            device.code = line.mid(eq + 1).trimmed();
            device.section = device.key;
            if (IsMarker(device.key.back())) {
                QVERIFY2(device.key.size() > 2 && device.key.at(device.key.size() - 2) == u' ',
                         qPrintable(u"marker not preceded by a blank: "_s + device.key));
                device.marker = device.key.back();
                device.section.chop(2);
            }
            m_devices.append(device);
        }
        QVERIFY(m_devices.size() >= 15);
    }

    void VersionStampsMatchAcrossTheSet()
    {
        QCOMPARE(m_table.ReadString(kPraxon, u"SOFTWARE"_s, QString()), kSoftware);
        const QString version = m_table.ReadString(kPraxon, u"VERSION"_s, QString());
        QCOMPARE(version, u"280"_s);
        const QString date = m_table.ReadString(kPraxon, u"DATE"_s, u"0"_s);
        QVERIFY(date != u"0"_s);

        QStringList others;
        for (const auto& [name, file] : m_extensions)
            others << name;
        others << u"PX"_s + version + u"0.PXT"_s << u"PX"_s + version + u"1.PXT"_s;
        for (const QString& name : others) {
            IniFile file(Shipped(name));
            QVERIFY2(file.Exists(), qPrintable(name + u" missing"_s));
            QCOMPARE(file.ReadString(kPraxon, u"DATE"_s, u"0"_s), date);
            QCOMPARE(file.ReadString(kPraxon, u"SOFTWARE"_s, u"NONE"_s), kSoftware);
            if (name.endsWith(u".PXT"_s)) // templates must match the table version as a number
                QCOMPARE(file.ReadInteger(kPraxon, u"VERSION"_s, -1), version.toLongLong());
        }
    }

    void FilesKeepToTheReaderLimits()
    {
        QStringList names{u"PXMCU.TBL"_s, u"PX2800.PXT"_s, u"PX2801.PXT"_s};
        for (const auto& [name, file] : m_extensions)
            names << name;
        for (const QString& name : names) {
            IniFile file(Shipped(name));
            QSet<QString> sections;
            for (const QString& section : file.SectionNames()) {
                QVERIFY2(!sections.contains(section.toUpper()), qPrintable(name + u": section twice: "_s + section));
                sections.insert(section.toUpper());
                QSet<QString> keys;
                for (const QString& line : file.ReadSectionLines(section)) {
                    QVERIFY2(line.size() <= 255, qPrintable(name + u": line over 255 characters: "_s + line.left(40)));
                    const QString key = line.section(u'=', 0, 0).toUpper();
                    QVERIFY2(!keys.contains(key), qPrintable(name + u"/"_s + section + u": key twice: "_s + key));
                    keys.insert(key);
                }
            }
        }
    }

    void FirmwareImagesCarryHeaderAndZeroSum_data()
    {
        QTest::addColumn<QChar>("letter");
        QVERIFY(m_mod >= 1 && m_mod <= 26);
        for (int i = 0; i < m_mod; ++i) {
            const QChar letter(u'A' + i);
            QTest::newRow(qPrintable(QString(letter))) << letter;
        }
    }
    void FirmwareImagesCarryHeaderAndZeroSum()
    {
        QFETCH(QChar, letter);
        const quint16 version = quint16(m_table.ReadInteger(kPraxon, u"VERSION"_s, 0));
        const QString name = u"PX"_s + HexWord(version, 4) + letter + u".DAT"_s;
        QFile file(Shipped(name));
        QVERIFY2(file.open(QIODevice::ReadOnly), qPrintable(name + u" missing"_s));
        const QByteArray bytes = file.readAll();
        QCOMPARE(bytes.size(), 1792 * 2);
        auto word = [&](int i) { return quint16(quint8(bytes[2 * i]) | quint8(bytes[2 * i + 1]) << 8); };
        QCOMPARE(word(0), quint16(0x5850));
        QCOMPARE(word(1), version);
        QCOMPARE(word(2), quint16(letter.unicode()));
        quint16 sum = 0;
        for (int i = 0; i < 1792; ++i)
            sum = quint16(sum + word(i));
        QCOMPARE(sum, quint16(0));
    }

    void EveryListedDeviceHasASection()
    {
        for (const DeviceEntry& device : m_devices) {
            QVERIFY2(m_table.SectionExists(device.section), qPrintable(u"no section for "_s + device.key));
            const QString ext = m_table.ReadString(device.section, u"EXT"_s, u"NO"_s);
            if (ext != u"NO"_s) {
                // Only PXMCU1..RED travel with updates and are checked at start-up.
                QVERIFY2(m_extensions.count(ext.toUpper()),
                         qPrintable(device.key + u": EXT outside the set: "_s + ext));
                QVERIFY2(m_table.ReadSectionLines(device.section).size() == 1,
                         qPrintable(device.key + u": keys beside EXT are never read"_s));
            }
            const IniFile* keys = KeysFile(device);
            QVERIFY2(keys && keys->SectionExists(device.section), qPrintable(u"no key section for "_s + device.key));
        }
    }

    void DeviceCodesAreUniqueHex()
    {
        QSet<quint64> codes;
        for (const DeviceEntry& device : m_devices) {
            bool error = false;
            const quint64 code = ParseHexText(device.code, &error);
            QVERIFY2(!device.code.isEmpty() && device.code.size() <= 4 && !error,
                     qPrintable(device.key + u": bad code "_s + device.code));
            QVERIFY2(!codes.contains(code), qPrintable(device.key + u": code used twice: "_s + device.code));
            codes.insert(code);
        }
    }

    void DeviceNotesCoverEveryMarker()
    {
        const QString notes = u"DEVNOTES"_s;
        const int count = int(m_table.ReadInteger(notes, u"count"_s, 0));
        QVERIFY(count >= 1);
        QStringList list;
        for (int i = 0; i < count; ++i) {
            const QString note = m_table.ReadString(notes, QString::number(i), u"X"_s);
            QVERIFY2(note != u"X"_s, qPrintable(u"note "_s + QString::number(i) + u" missing below count"_s));
            list << note;
        }
        QVERIFY2(!m_table.KeyExists(notes, QString::number(count)), "a note beyond count is never shown");
        for (const DeviceEntry& device : m_devices) {
            if (device.marker.isNull())
                continue;
            const bool covered = std::any_of(list.begin(), list.end(),
                                             [&](const QString& note) { return note.contains(device.marker); });
            QVERIFY2(covered, qPrintable(device.key + u": no note carries its marker"_s));
        }
    }

    void DeviceSectionIsConsistent_data() { AddDeviceRows(); }
    void DeviceSectionIsConsistent()
    {
        QFETCH(int, index);
        const DeviceEntry& device = m_devices[index];
        QVERIFY2(KeysFile(device), "EXT names a file outside the set");
        const IniFile& f = *KeysFile(device);
        const QString& s = device.section;
        auto integer = [&](const char* key, qint64 def) { return f.ReadInteger(s, QString::fromLatin1(key), def); };
        QString why;

        const QString core = f.ReadString(s, u"CORE"_s, u"UNKNOWN"_s);
        const quint32 width = CoreWidth(core);
        QVERIFY2(width != 0, qPrintable(u"unknown core "_s + core));
        const qint64 rom = integer("ROM", 0), ee = integer("EE", 0);
        QVERIFY(rom > 0 && ee >= 0);
        QVERIFY(QRegularExpression(u"^P[0-9A-Z]+$"_s).match(f.ReadString(s, u"PLATES"_s, {})).hasMatch());
        for (const char* key : {"SERIAL", "PARITY", "FLASH", "BCAL"}) {
            const QString v = f.ReadString(s, QString::fromLatin1(key), u"0"_s);
            QVERIFY2(v == u"0"_s || v == u"1"_s, key);
        }
        const QString pmod = f.ReadString(s, u"PMOD"_s, QString());
        QVERIFY2(pmod.size() == 1 && pmod.at(0) >= u'A' && pmod.at(0).unicode() < u'A' + m_mod,
                 qPrintable(u"PMOD has no firmware image: "_s + pmod));
        QVERIFY(integer("PWR", 5) == 5 || integer("PWR", 5) == 6);
        QVERIFY(integer("PWROFF", 6) == 5 || integer("PWROFF", 6) == 6);
        QVERIFY(integer("VMODE", 3) >= 0 && integer("VMODE", 3) <= 0xFFFF);

        const qint64 paw = integer("PAW", 1), panel = integer("PANEL", 0), sc = integer("SC", 3);
        QVERIFY(paw >= 1 && paw <= 64);
        if (panel > 0) // panels must tile program memory, each a whole number of writes
            QVERIFY((rom * 2) % panel == 0 && panel % (2 * paw) == 0);
        QVERIFY(sc >= 0 && sc <= 3);
        QVERIFY2(!(sc & 2) || ee > 0, "serial numbers in EE data on a device without EE data");

        // Calibration words end at CALOFFST - 1 (0: at ROM). They follow program memory or sit
        // further up; ROM never counts them.
        const qint64 cal = integer("CAL", 0), calOffset = integer("CALOFFST", 0);
        const qint64 calFirst = cal >= 1 ? (calOffset != 0 ? calOffset : rom + 1) - cal : -1;
        const bool calAfterRom = cal >= 1 && calFirst == rom;
        if (cal >= 1)
            QVERIFY2(calFirst >= rom, "calibration word counted as program memory");

        // Address conventions of the three families.
        const qint64 idloc = integer("IDLOC", 0), cfgloc = integer("CFGLOC", 0x2007), eeloc = integer("EELOC", 0);
        if (core == u"XX"_s) {
            QCOMPARE(idloc, qint64(0x2000));
            QCOMPARE(cfgloc, qint64(0x2007));
            QCOMPARE(eeloc, qint64(ee > 0 ? 0x2100 : 0));
        } else if (core == u"5X"_s) {
            QCOMPARE(idloc, rom + (calAfterRom ? cal : 0)); // right after program memory and OSCCAL
            QCOMPARE(cfgloc, qint64(0xFFF));
            QCOMPARE(eeloc, qint64(0));
            QCOMPARE(ee, qint64(0));
        } else {
            QCOMPARE(cfgloc, qint64(0x300000));
            QCOMPARE(idloc, qint64(0x200000 / 2));
            QCOMPARE(eeloc, qint64(0));
        }

        // Configuration words: a programming order naming every word once, and both masks per word.
        const qint64 words = integer("CFGWORDS", 1);
        QVERIFY(words >= 1 && words <= 8);
        const QString seq = f.ReadString(s, u"CFGSEQ"_s, QString());
        QVERIFY2(QRegularExpression(u"^[0-7](,[0-7])*$"_s).match(seq).hasMatch(), qPrintable(seq));
        QSet<int> seen;
        for (const QString& digit : seq.split(u',')) {
            QVERIFY2(digit.toInt() < words && !seen.contains(digit.toInt()), qPrintable(u"CFGSEQ "_s + seq));
            seen.insert(digit.toInt());
        }
        QCOMPARE(int(seen.size()), int(words));
        for (int w = 0; w < 8; ++w) {
            const QString fuseKey = WordKey("FUSEMASK", w), cpKey = WordKey("CPMASK", w);
            if (w >= words) {
                QVERIFY2(!f.KeyExists(s, fuseKey) && !f.KeyExists(s, cpKey), "mask of a word beyond CFGWORDS");
                continue;
            }
            quint32 fuse = 0, cp = 0;
            QVERIFY2(ReadHexKey(f, s, fuseKey, &fuse, &why), qPrintable(why));
            QVERIFY2(ReadHexKey(f, s, cpKey, &cp, &why), qPrintable(why)); // the default 0000 means "all protection"
            QVERIFY(fuse != 0 && (fuse & ~width) == 0);
            const quint32 protection = width & ~cp;
            QVERIFY2((protection & ~fuse) == 0, qPrintable(cpKey + u" marks unimplemented bits as protection"_s));
        }

        // Calibration words and the extra-calibration choices.
        const qint64 xcal = integer("XCAL", 0);
        const QStringList lines = f.ReadSectionLines(s);
        const QStringList xcalLines = lines.filter(QRegularExpression(u"^\\*XCAL_"_s));
        if (cal < 1) {
            QVERIFY2(integer("BCAL", 0) == 0 && xcal == 0 && xcalLines.isEmpty(), "calibration keys without CAL");
            return;
        }
        quint32 calMask = 0;
        QVERIFY2(ReadHexKey(f, s, u"CALMASK"_s, &calMask, &why), qPrintable(why));
        QVERIFY(calMask != 0 && (calMask & ~width) == 0);
        QVERIFY2(calOffset >= 0 && calOffset <= 0xFFFF, "calibration beyond the word address map");
        if (integer("BCAL", 0)) {
            const qint64 backup = integer("BCALLOC", 0);
            QVERIFY2(backup >= calFirst + cal && backup <= 0xFFFF, "backup inside program memory or calibration");
            QVERIFY2(core != u"5X"_s || backup >= idloc + 4, "backup over the ID words");
        }
        if (xcal < 1) {
            QVERIFY(xcalLines.isEmpty());
            return;
        }
        quint32 xmask = 0, fuse0 = 0;
        QVERIFY2(ReadHexKey(f, s, u"XCAL1MASK"_s, &xmask, &why), qPrintable(why));
        QVERIFY(ReadHexKey(f, s, u"FUSEMASK"_s, &fuse0, &why));
        QVERIFY2(xmask != 0 && (xmask & fuse0) == 0 && (xmask & ~width) == 0, "XCAL1MASK overlaps the user bits");
        QVERIFY(!xcalLines.isEmpty() && xcalLines.size() <= 16);
        QSet<quint64> values;
        QSet<QString> titles;
        for (const QString& line : xcalLines) {
            const QStringList parts = line.section(u'=', 0, 0).split(u'_');
            QVERIFY2(parts.size() == 3 && !parts[1].isEmpty() && !parts[2].isEmpty(), qPrintable(line));
            titles.insert(parts[1]);
            bool error = false;
            const QString text = line.section(u'=', 1);
            const quint64 value = ParseHexText(text, &error);
            QVERIFY2(text.size() == 4 && !error && (value | xmask) == width, qPrintable(line));
            QVERIFY2(!values.contains(value), qPrintable(u"choice value twice: "_s + line));
            values.insert(value);
        }
        QCOMPARE(int(titles.size()), 1);
    }

    void ConfigurationFieldsMatchTheirMasks_data() { AddDeviceRows(); }
    void ConfigurationFieldsMatchTheirMasks()
    {
        QFETCH(int, index);
        const DeviceEntry& device = m_devices[index];
        QVERIFY2(KeysFile(device), "EXT names a file outside the set");
        const IniFile& f = *KeysFile(device);
        const QString& s = device.section;
        const quint32 width = CoreWidth(f.ReadString(s, u"CORE"_s, QString()));
        const int words = int(f.ReadInteger(s, u"CFGWORDS"_s, 1));
        QVERIFY(width != 0 && words >= 1 && words <= 8);

        struct Field {
            quint32 andOfValues = 0xFFFF;
            QSet<QString> options;
            QSet<quint32> values;
        };
        std::map<int, std::map<QString, Field>> fields; // word -> field name -> options
        QString why;
        for (const QString& line : f.ReadSectionLines(s)) {
            if (!line.startsWith(u'_'))
                continue;
            FieldLine fl;
            QVERIFY2(ParseFieldLine(line, words, &fl, &why), qPrintable(why));
            QVERIFY2(fl.word < words, qPrintable(line + u": word beyond CFGWORDS"_s));
            quint32 fuse = 0;
            QVERIFY2(ReadHexKey(f, s, WordKey("FUSEMASK", fl.word), &fuse, &why), qPrintable(why));
            bool error = false;
            const quint32 value = quint32(ParseHexText(fl.valueText, &error));
            // Four digits keep the 18X labels (high:low) and the table uniform.
            QVERIFY2(fl.valueText.size() == 4 && !error, qPrintable(line));
            QVERIFY2((value & ~width) == 0, qPrintable(line + u": bits beyond the word"_s));
            QVERIFY2((value | fuse) == width, qPrintable(line + u": an unimplemented bit is not 1"_s));
            Field& field = fields[fl.word][fl.field];
            QVERIFY2(!field.options.contains(fl.option.toUpper()), qPrintable(line + u": option twice"_s));
            QVERIFY2(!field.values.contains(value), qPrintable(line + u": two options share a value"_s));
            field.options.insert(fl.option.toUpper());
            field.values.insert(value);
            field.andOfValues &= value;
        }
        QCOMPARE(int(fields.size()), words); // every word has its fields

        for (const auto& [word, named] : fields) {
            quint32 fuse = 0, cp = 0;
            QVERIFY(ReadHexKey(f, s, WordKey("FUSEMASK", word), &fuse, &why));
            QVERIFY(ReadHexKey(f, s, WordKey("CPMASK", word), &cp, &why));
            QVERIFY(named.size() <= 16);
            quint32 covered = 0, protection = 0;
            for (const auto& [name, field] : named) {
                QVERIFY2(field.options.size() <= 16, qPrintable(name));
                const quint32 bits = width & ~field.andOfValues;
                QVERIFY2((bits & covered) == 0, qPrintable(name + u" shares bits with another field"_s));
                covered |= bits;
                if (IsProtectionField(name))
                    protection |= bits;
            }
            // The fields account for exactly the implemented bits, and the protection fields for
            // exactly the zeros of CPMASK.
            QCOMPARE(HexWord(covered, 4), HexWord(fuse, 4));
            QCOMPARE(HexWord(protection, 4), HexWord(width & ~cp, 4));
        }
    }

    // Facts that other parts of the program and its tests lean on.
    void KnownDeviceFacts_data()
    {
        QTest::addColumn<int>("fact");
        for (int i = 0; i < int(std::size(kFacts)); ++i)
            QTest::newRow(kFacts[i].key) << i;
    }
    void KnownDeviceFacts()
    {
        QFETCH(int, fact);
        const DeviceFact& want = kFacts[fact];
        const auto it = std::find_if(m_devices.begin(), m_devices.end(),
                                     [&](const DeviceEntry& d) { return d.key == QLatin1String(want.key); });
        QVERIFY2(it != m_devices.end(), want.key);
        QVERIFY2(KeysFile(*it), "EXT names a file outside the set");
        const IniFile& f = *KeysFile(*it);
        const QString& s = it->section;
        QCOMPARE(f.ReadInteger(s, u"ROM"_s, 0), qint64(want.rom));
        QCOMPARE(f.ReadInteger(s, u"EE"_s, 0), qint64(want.ee));
        QCOMPARE(f.ReadString(s, u"CORE"_s, QString()), QLatin1String(want.core));
        QCOMPARE(f.ReadInteger(s, u"CFGLOC"_s, 0), qint64(want.cfgloc));
        QCOMPARE(f.ReadInteger(s, u"CFGWORDS"_s, 1), qint64(want.cfgwords));
        QCOMPARE(f.ReadString(s, u"FUSEMASK"_s, QString()), QLatin1String(want.fusemask));
        QCOMPARE(f.ReadString(s, u"CPMASK"_s, QString()), QLatin1String(want.cpmask));
        QCOMPARE(it->code, QLatin1String(want.code));
    }

    // A factory OSCCAL word at the top of program memory is not program memory to the rest of
    // the program: the code buffer, the HEX writer and the calibration operations expect it at
    // ROM .. ROM+CAL-1 and the code operations cover ROM words. So ROM + CAL is the datasheet's
    // program memory size, the calibration operations end at the OSCCAL address, and the
    // backup and ID words sit where the datasheet puts them. Every device with calibration
    // words must be one of these facts, so that a new one cannot skip the check.
    void CalibrationWordsFollowProgramMemory()
    {
        QSet<QString> calibrated;
        for (const DeviceEntry& device : m_devices) {
            const IniFile* f = KeysFile(device);
            QVERIFY2(f, "EXT names a file outside the set");
            if (f->ReadInteger(device.section, u"CAL"_s, 0) >= 1)
                calibrated.insert(device.section);
        }
        QSet<QString> listed;
        for (const OscCalFact& want : kOscCalFacts) {
            const QString section = QString::fromLatin1(want.section);
            listed.insert(section);
            const auto it = std::find_if(m_devices.begin(), m_devices.end(),
                                         [&](const DeviceEntry& d) { return d.section == section; });
            QVERIFY2(it != m_devices.end() && KeysFile(*it), want.section);
            const IniFile& f = *KeysFile(*it);
            auto integer = [&](const char* key) { return f.ReadInteger(section, QString::fromLatin1(key), 0); };
            const QString where = section + u": "_s;
            const qint64 rom = integer("ROM"), cal = integer("CAL"), calOffset = integer("CALOFFST");
            QVERIFY2(cal >= 1, qPrintable(where + u"OSCCAL in program memory but no CAL"_s));
            QVERIFY2(
                rom + cal == want.programWords,
                qPrintable(where + u"ROM %1 + CAL %2, datasheet %3 words"_s.arg(rom).arg(cal).arg(want.programWords)));
            // The calibration operations address the words ending at CALOFFST - 1, or at ROM when
            // CALOFFST is 0.
            const qint64 lastCal = calOffset != 0 ? calOffset - 1 : rom;
            QVERIFY2(lastCal == want.osccal,
                     qPrintable(where + u"calibration ends at %1, OSCCAL is at %2"_s.arg(lastCal).arg(want.osccal)));
            QCOMPARE(integer("BCAL"), qint64(want.backup != 0));
            if (want.backup != 0)
                QCOMPARE(integer("BCALLOC"), qint64(want.backup));
            QCOMPARE(integer("IDLOC"), qint64(want.idloc));
        }
        for (const QString& section : calibrated)
            QVERIFY2(listed.contains(section),
                     qPrintable(section + u": calibration words without a datasheet fact here"_s));
    }

    // The shipped table is what the simulator and the end-to-end tests run against, so it must
    // keep at least one device for every kind of handling the program has.
    void TableCoversEveryKindOfDevice()
    {
        QSet<QString> seen;
        for (const DeviceEntry& device : m_devices) {
            QVERIFY2(KeysFile(device), "EXT names a file outside the set");
            const IniFile& f = *KeysFile(device);
            const QString& s = device.section;
            auto on = [&](const char* key, qint64 def = 0) { return f.ReadInteger(s, QString::fromLatin1(key), def); };
            seen << u"core "_s + f.ReadString(s, u"CORE"_s, QString());
            seen << u"PMOD "_s + f.ReadString(s, u"PMOD"_s, QString());
            if (&f != &m_table)
                seen << u"extension table"_s;
            if (device.marker == u'*')
                seen << u"Beta"_s;
            if (device.marker == u'~')
                seen << u"Partial"_s;
            if (on("BCAL"))
                seen << u"BCAL"_s;
            if (on("CAL") >= 1 && on("XCAL") >= 1)
                seen << u"XCAL"_s;
            if (!on("SERIAL", 1))
                seen << u"parallel"_s;
            if (!on("FLASH"))
                seen << u"EPROM"_s;
            if (on("PWR", 5) == 6)
                seen << u"VPP first"_s;
            if (on("PANEL") > 0)
                seen << u"panels"_s;
            if (on("CFGWORDS", 1) > 1 && f.ReadString(s, u"CORE"_s, QString()) != u"18X"_s)
                seen << u"several 14-bit words"_s;
        }
        QStringList wanted{
            "core 5X", "core XX",   "core 18X", "extension table",     "Beta", "Partial", "BCAL", "XCAL", "parallel",
            "EPROM",   "VPP first", "panels",   "several 14-bit words"};
        for (int i = 0; i < m_mod; ++i)
            wanted << u"PMOD "_s + QChar(u'A' + i);
        for (const QString& kind : wanted)
            QVERIFY2(seen.contains(kind), qPrintable(u"no device for: "_s + kind));
    }

    void NodeNamesAreWellFormed()
    {
        IniFile templates(Shipped(u"PX2800.PXT"_s));
        const QString section = u"NodeNames"_s;
        QSet<int> codes;
        for (const QString& line : templates.ReadSectionLines(section)) {
            bool ok = false;
            const int code = line.section(u'=', 0, 0).toInt(&ok);
            QVERIFY2(ok && code >= 0 && code <= 62, qPrintable(line));
            const QString value = line.section(u'=', 1);
            const QString name = value.section(u',', 0, 0), description = value.section(u',', 1);
            QVERIFY2(value.contains(u',') && !name.isEmpty() && !description.isEmpty(), qPrintable(line));
            QVERIFY2(description != u"Invalid"_s, qPrintable(line)); // would turn the row into "no task"
            codes.insert(code);
        }
        for (int code = 0; code <= 35; ++code) // the codes the engine gives a meaning
            QVERIFY2(codes.contains(code), qPrintable(u"no node name for task code "_s + QString::number(code)));
    }
};

QTEST_GUILESS_MAIN(TestShippedTable)
#include "TestShippedTable.moc"
