// Control files: the keys in writing order, round trips, the override sections, the read rules
// and defaults, and what a failed or forbidden write leaves behind.

#include "OptionsFixture.h"
#include "core/model/OptionIndex.h"
#include "core/options/ControlFile.h"
#include "core/util/ErrorOut.h"
#include "core/util/IniFile.h"

#include <QDir>
#include <QRegularExpression>
#include <QtTest>

using namespace OptionIndex;
using OptionsTest::Fixture;
using OptionsTest::ReadFile;
using OptionsTest::WriteFile;

namespace {
struct ControlFixture : Fixture {
    ControlFixture()
    {
        ctx.File().hexPath = WorkFile("BOARD.HEX");
        ctx.File().controlPath = WorkFile("BOARD.PXC");
        ctx.File().mcuName = "16F877A";
        ctx.Options().SetAllPresentAndOn();
        ctx.Options().SetFactoryValues();
        ctx.Profile().cfgWords = 2;
    }
    QString Control() const { return const_cast<AppContext&>(ctx).File().controlPath; }
    // "SECTION/key" of every key line, in file order.
    QStringList KeyOrder() const
    {
        QStringList order;
        QString section;
        for (const QString& line : QString::fromLatin1(ReadFile(Control())).split(QRegularExpression("\r?\n"))) {
            if (line.startsWith('['))
                section = line.mid(1, line.indexOf(']') - 1);
            else if (line.contains('='))
                order << section + '/' + line.left(line.indexOf('='));
        }
        return order;
    }
    // Reads the control file into a fresh context, as the next run would.
    void ReadInto(AppContext& other) const
    {
        other.File().controlPath = Control();
        ControlFile::Read(other);
    }
};
} // namespace

class TestControlFile : public QObject
{
    Q_OBJECT
private slots:
    void WritesKeysInOrder()
    {
        ControlFixture f;
        QVERIFY(ControlFile::Write(f.ctx));
        const QStringList expected{
            "OPTIONS/BLNCHKEPROM",  "OPTIONS/ERASEFLASH",    "OPTIONS/PRGCODE",    "OPTIONS/PRGID",
            "OPTIONS/PRGEE",        "OPTIONS/EDITEE",        "OPTIONS/PRGCFG",     "OPTIONS/VERIFY",
            "OPTIONS/PrgSNOpt",     "OPTIONS/UseSQTP",       "OPTIONS/BLOCKCP",    "OPTIONS/PRGCAL",
            "OPTIONS/INCDEV",       "OPTIONS/INCCFG",        "OPTIONS/INCEEDATA",  "OPTIONS/INCCALDATA",
            "OPTIONS/DEV",          "OPTIONS/NOREAD",        "OPTIONS/bit4",       "OPTIONS/EEoverride",
            "OPTIONS/Fuseoverride", "OPTIONS/MCUoverride",   "OPTIONS/IDoverride", "OPTIONS/Globskip",
            "OPTIONS/SkipPwrCycle", "OPTIONS/noForcePwrOff", "OPTIONS/Nodenag",    "OPTIONS/NoVDD",
            "OPTIONS/LOCKVIEW",     "OPTIONS/COMPACTVIEW",   "OPTIONS/CKSUMMC",    "CONTROL/hideoptions",
            "CONTROL/PSED",         "CONTROL/PPW",           "CONTROL/HEXFILE",    "SERIALNUM/Auto",
            "SERIALNUM/Codespace",  "SERIALNUM/Encoderetlw", "SERIALNUM/length",   "SERIALNUM/estartadd",
            "SERIALNUM/cstartadd",  "SERIALNUM/SQTPF",       "SERIALNUM/LOGF",     "SERIALNUM/last_a",
            "SERIALNUM/last_b",     "SERIALNUM/last_c",      "SERIALNUM/last_d",   "SERIALNUM/last_hex"};
        QCOMPARE(f.KeyOrder(), expected);
        const IniFile file(f.Control());
        QCOMPARE(file.ReadString("OPTIONS", "BLOCKCP", ""), QString("1"));
        QCOMPARE(file.ReadString("OPTIONS", "DEV", ""), QString("16F877A"));
        QCOMPARE(file.ReadString("CONTROL", "HEXFILE", ""), f.WorkFile("BOARD.HEX"));
    }

    // Raw values are written: an option that does not apply to the device keeps its setting.
    void RoundTrip()
    {
        ControlFixture f;
        OptionTable& t = f.ctx.Options();
        t.SetValue(ProgramEe, true);
        t.SetPresent(ProgramEe, false);
        t.SetValue(Verify, false);
        t.SetValue(NoRead, true);
        t.SetValue(McuOverride, true);
        t.SetValue(SkipPowerCycle, true);
        t.SetValue(MicrochipChecksum, true);
        t.SetBit4(0);
        t.SetSerialInCode(false);
        t.SetValue(EncodeRetlw, false);
        t.SetValue(HideOptions, true);
        t.SetPassword("Secret pw");
        t.SetPulseWidthPosition(3);
        SerialNumberSettings& s = f.ctx.SerialSettings();
        s.autoNumbering = false;
        s.length = 4;
        s.eeStartAddress = 0x10;
        s.codeStartAddress = 0x7F0;
        s.sqtpFile = "/data/parts.num";
        s.logFile = "/data/serial.log";
        s.lastSocketTexts = {"1A", "1B", "0", "FFFF"};
        s.lastHexText = "1B";
        QVERIFY(ControlFile::Write(f.ctx));

        ControlFixture g;
        g.ctx.File().mcuName.clear();
        f.ReadInto(g.ctx);
        const OptionTable& r = g.ctx.Options();
        for (int index : {ProgramEe, NoRead, McuOverride, SkipPowerCycle, MicrochipChecksum, IdAscii7, SerialInEe,
                          HideOptions, WarnProtection})
            QVERIFY2(r.IsSet(index), qPrintable(QString::number(index)));
        for (int index : {Verify, IdHex4, IdHex7, SerialInCode, EncodeRetlw, AutoIncrement})
            QVERIFY2(!r.IsSet(index), qPrintable(QString::number(index)));
        QVERIFY(r.OptionsHidden());
        QCOMPARE(r.Password(), QString("Secret pw"));
        QCOMPARE(r.PulseWidthPosition(), 3);
        QCOMPARE(g.ctx.File().mcuName, QString("16F877A"));
        const SerialNumberSettings& t2 = g.ctx.SerialSettings();
        QVERIFY(!t2.autoNumbering);
        QVERIFY(!t2.codeSpace);
        QCOMPARE(int(t2.length), 4);
        QCOMPARE(t2.eeStartAddress, qint64(0x10));
        QCOMPARE(t2.codeStartAddress, qint64(0x7F0));
        QCOMPARE(t2.sqtpFile, QString("/data/parts.num"));
        QCOMPARE(t2.logFile, QString("/data/serial.log"));
        QCOMPARE(t2.lastSocketNumbers[1], qint64(0x1B));
        QCOMPARE(t2.lastSocketNumbers[3], qint64(0xFFFF));
        QCOMPARE(t2.currentNumber, qint64(0x1B));
        QCOMPARE(t2.currentText, QString("1B"));
    }

    void DefaultsWithoutSerialSection()
    {
        ControlFixture f;
        WriteFile(f.Control(), "[OPTIONS]\r\nPRGEE=0\r\n");
        f.ctx.SerialSettings().lastHexText = "2A";
        ControlFile::Read(f.ctx);
        const SerialNumberSettings& s = f.ctx.SerialSettings();
        QVERIFY(s.autoNumbering);
        QVERIFY(f.ctx.Options().IsSet(AutoIncrement));
        QVERIFY(s.codeSpace);
        QVERIFY(f.ctx.Options().IsSet(SerialInCode) && !f.ctx.Options().IsSet(SerialInEe));
        QVERIFY(f.ctx.Options().IsSet(EncodeRetlw));
        QCOMPARE(int(s.length), 1);
        QCOMPARE(s.eeStartAddress, qint64(0));
        QCOMPARE(s.codeStartAddress, qint64(0));
        for (const QString& text : s.lastSocketTexts)
            QCOMPARE(text, QString("0"));
        QCOMPARE(s.sqtpFile, QString("[none selected]"));
        QCOMPARE(s.logFile, QString("[none]"));
        QCOMPARE(s.lastHexText, QString("2A")); // the value held stays the default
        // Absent keys take the loader's defaults: BLOCKCP 0, unlike the factory reset.
        QVERIFY(!f.ctx.Options().IsSet(WarnProtection));
        QVERIFY(f.ctx.Options().IsSet(Verify));
        QVERIFY(!f.ctx.Options().IsSet(ProgramEe));
        QCOMPARE(f.ctx.Options().PulseWidthPosition(), 1);
    }

    void DeviceNameRules()
    {
        ControlFixture f;
        WriteFile(f.Control(), "[OPTIONS]\r\nDEV=12C508\r\nMCUoverride=0\r\n");
        ControlFile::Read(f.ctx);
        QCOMPARE(f.ctx.File().mcuName, QString("12C508")); // the control file names its device
        WriteFile(f.Control(), "[OPTIONS]\r\nDEV=12C508\r\nMCUoverride=1\r\n");
        ControlFile::Read(f.ctx);
        QCOMPARE(f.ctx.File().mcuName, QString("12C508"));
        // Named on the command line: never replaced.
        f.ctx.File().mcuName = "18F252";
        f.ctx.Flags().McuFromCommandLine = true;
        ControlFile::Read(f.ctx);
        QCOMPARE(f.ctx.File().mcuName, QString("18F252"));
        // No name known and no DEV: the store's device name.
        f.ctx.Flags().McuFromCommandLine = false;
        f.ctx.File().mcuName.clear();
        f.ctx.Workstation().SetDefaultDeviceName("16F84A");
        WriteFile(f.Control(), "[OPTIONS]\r\n");
        ControlFile::Read(f.ctx);
        QCOMPARE(f.ctx.File().mcuName, QString("16F84A"));
    }

    void LockViewTurnsCompactViewOn()
    {
        ControlFixture f;
        WriteFile(f.Control(), "[OPTIONS]\r\nLOCKVIEW=1\r\nCOMPACTVIEW=0\r\n");
        ControlFile::Read(f.ctx);
        QVERIFY(f.ctx.Options().IsSet(CompactView));
        f.ctx.Options().SetValue(CompactView, false);
        QVERIFY(ControlFile::Write(f.ctx));
        QCOMPARE(IniFile(f.Control()).ReadString("OPTIONS", "COMPACTVIEW", ""), QString("1"));
    }

    void Bit4SevenIsWrittenBackAsOne()
    {
        ControlFixture f;
        WriteFile(f.Control(), "[OPTIONS]\r\nbit4=7\r\n");
        ControlFile::Read(f.ctx);
        for (int index : {IdAscii7, IdHex4, IdHex7})
            QVERIFY(!f.ctx.Options().IsSet(index));
        QVERIFY(ControlFile::Write(f.ctx));
        QCOMPARE(IniFile(f.Control()).ReadInteger("OPTIONS", "bit4", -1), qint64(1));
    }

    void NoVddIsIgnoredFor12BitCores()
    {
        ControlFixture f;
        WriteFile(f.Control(), "[OPTIONS]\r\nNoVDD=1\r\n");
        f.ctx.Profile().core = CoreFamily::Core5X;
        ControlFile::Read(f.ctx);
        QVERIFY(!f.ctx.Options().IsSet(NoVdd));
        f.ctx.Profile().core = CoreFamily::CoreXX;
        ControlFile::Read(f.ctx);
        QVERIFY(f.ctx.Options().IsSet(NoVdd));
    }

    void OverrideSections()
    {
        ControlFixture f;
        MemoryImage& image = f.ctx.Image();
        for (int i = 0; i < 4096; ++i)
            image.EeBuffer()[size_t(i)] = quint16(i & 0xFF);
        image.ConfigWords()[0] = 0x3F72;
        image.ConfigWords()[1] = 0x0FFF;
        image.IdWords() = {0xFF81, 0xFF82, 0xFF8F, 0xFFFA, 0, 0, 0, 0x12, 0};
        OptionTable& t = f.ctx.Options();
        t.SetValue(EeOverride, true);
        t.SetValue(FuseOverride, true);
        t.SetValue(IdOverride, true);
        t.SetBit4(1); // 4-bit hex IDs: the nibble mask is 0x0F
        // A word beyond the device's two configuration words stays from an earlier save.
        WriteFile(f.Control(), "[FUSEOVERRIDE]\r\nCFG0=1\r\nCFG5=77\r\n");
        QVERIFY(ControlFile::Write(f.ctx));

        const IniFile file(f.Control());
        QCOMPARE(file.ReadSection("EEOVERRIDE").size(), 256);
        QCOMPARE(file.ReadString("EEOVERRIDE", "0", ""),
                 QString("0000000100020003000400050006000700080009000A000B000C000D000E000F"));
        QCOMPARE(file.ReadString("EEOVERRIDE", "255", "").left(8), QString("00F000F1"));
        QCOMPARE(file.ReadString("EEOVERRIDE", "255", "").size(), 64);
        QCOMPARE(file.ReadInteger("FUSEOVERRIDE", "CFG0", -1), qint64(0x3F72));
        QCOMPARE(file.ReadInteger("FUSEOVERRIDE", "CFG1", -1), qint64(0x0FFF));
        QCOMPARE(file.ReadInteger("FUSEOVERRIDE", "CFG2", -1), qint64(-1));
        QCOMPARE(file.ReadInteger("FUSEOVERRIDE", "CFG5", -1), qint64(77));
        QCOMPARE(file.ReadSection("IDOVERRIDE"), (QStringList{"ID0", "ID1", "ID2", "ID3", "ID4", "ID5", "ID6", "ID7"}));
        QCOMPARE(file.ReadInteger("IDOVERRIDE", "ID2", -1), qint64(0x0F));
        QCOMPARE(file.ReadInteger("IDOVERRIDE", "ID3", -1), qint64(0x0A));
        QCOMPARE(file.ReadInteger("IDOVERRIDE", "ID7", -1), qint64(0x02));

        // Override off: EEOVERRIDE disappears, the other two sections stay as they were.
        t.SetValue(EeOverride, false);
        t.SetValue(FuseOverride, false);
        t.SetValue(IdOverride, false);
        image.ConfigWords()[0] = 0x1111;
        QVERIFY(ControlFile::Write(f.ctx));
        const IniFile after(f.Control());
        QVERIFY(!after.SectionExists("EEOVERRIDE"));
        QCOMPARE(after.ReadInteger("FUSEOVERRIDE", "CFG0", -1), qint64(0x3F72));
        QVERIFY(after.SectionExists("IDOVERRIDE"));
    }

    // An override that does not apply to the device (no EE) is not written.
    void OverrideOnlyWhenEffective()
    {
        ControlFixture f;
        f.ctx.Options().SetValue(EeOverride, true);
        f.ctx.Options().SetPresent(EeOverride, false);
        QVERIFY(ControlFile::Write(f.ctx));
        const IniFile file(f.Control());
        QVERIFY(!file.SectionExists("EEOVERRIDE"));
        QCOMPARE(file.ReadString("OPTIONS", "EEoverride", ""), QString("1"));
    }

    void LengthLimits_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<int>("length");
        // Lengths the numbering cannot use are kept as written; serial numbering refuses them.
        QTest::newRow("0 kept") << "0" << 0;
        QTest::newRow("5") << "5" << 5;
        QTest::newRow("9 kept") << "9" << 9;
        QTest::newRow("65535 kept") << "65535" << 65535;
        QTest::newRow("65536 interrupts") << "65536" << -1;
        QTest::newRow("-1 interrupts") << "-1" << -1;
    }

    void LengthLimits()
    {
        QFETCH(QString, stored);
        QFETCH(int, length);
        ControlFixture f;
        WriteFile(f.Control(), "[SERIALNUM]\r\nlength=" + stored.toLatin1() + "\r\n");
        if (length < 0) {
            QVERIFY_THROWS_EXCEPTION(ErrorOut, ControlFile::Read(f.ctx));
        } else {
            ControlFile::Read(f.ctx);
            QCOMPARE(int(f.ctx.SerialSettings().length), length);
        }
    }

    void SaveNeverLowersTheCounter_data()
    {
        QTest::addColumn<QString>("inFile");
        QTest::addColumn<QString>("inMemory");
        QTest::addColumn<QString>("written");
        // Another station advanced the shared counter since this one last used it.
        QTest::newRow("file ahead") << "0120"
                                    << "011F"
                                    << "0120";
        QTest::newRow("memory ahead") << "0100"
                                      << "0101"
                                      << "0101";
        QTest::newRow("no counter yet") << ""
                                        << "5"
                                        << "5";
    }
    void SaveNeverLowersTheCounter()
    {
        QFETCH(QString, inFile);
        QFETCH(QString, inMemory);
        QFETCH(QString, written);
        ControlFixture f;
        WriteFile(f.Control(), "[SERIALNUM]\r\nlast_hex=" + inFile.toLatin1() + "\r\n");
        f.ctx.SerialSettings().lastHexText = inMemory;
        QVERIFY(ControlFile::Write(f.ctx));
        QCOMPARE(IniFile(f.Control()).ReadString("SERIALNUM", "last_hex", ""), written);
    }

    void LockedFileIsNotWritten()
    {
        ControlFixture f;
        WriteFile(f.Control(), "[OPTIONS]\r\nVERIFY=0\r\n");
        f.ctx.File().optionAccessMode = 2;
        QVERIFY(ControlFile::Write(f.ctx));
        QCOMPARE(ReadFile(f.Control()), QByteArray("[OPTIONS]\r\nVERIFY=0\r\n"));
    }

    void FailedWriteKeepsTheOldFile()
    {
        ControlFixture f;
        const QByteArray old = "[OPTIONS]\r\nVERIFY=0\r\n";
        WriteFile(f.Control(), old);
        f.ctx.Options().SetValue(Verify, true);
        {
            const OptionsTest::FileSizeLimit full(64); // the new file is larger: the disk is "full"
            QVERIFY(!ControlFile::Write(f.ctx));
        }
        QCOMPARE(f.op.Captions(), QStringList{"File Error"});
        // The box names the file, and on its second line the system's reason.
        QCOMPARE(f.op.Texts(), QStringList{"Error Writing to Control File: " + f.Control() + "\rFile too large"});
        QCOMPARE(f.op.boxes[0].buttons, int(OkButton | CancelButton));
        QCOMPARE(ReadFile(f.Control()), old);
        QCOMPARE(QDir(f.work.path()).entryList(QDir::Files), QStringList{"BOARD.PXC"});
        // The state in memory is what it was.
        QVERIFY(f.ctx.Options().IsSet(Verify));
    }

    void HexFileOfIsAbsolute()
    {
        ControlFixture f;
        WriteFile(f.Control(), "[CONTROL]\r\nHEXFILE=sub/board.hex\r\n");
        QCOMPARE(ControlFile::HexFileOf(f.Control()), f.WorkFile("sub/board.hex"));
        QCOMPARE(ControlFile::HexFileOf(f.WorkFile("missing.pxc")), QString());
    }
};

QTEST_GUILESS_MAIN(TestControlFile)
#include "TestControlFile.moc"
