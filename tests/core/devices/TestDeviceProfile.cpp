#include "ScriptedOperator.h"
#include "core/context/AppContext.h"
#include "core/devices/DeviceProfileLoader.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// A fresh context whose application directory holds a device table written by the test.
struct Bench {
    QTemporaryDir dir;
    ScriptedOperator op;
    AppContext ctx{op, dir.path()};

    void WriteFile(const QString& name, const QStringList& lines)
    {
        QFile file(ctx.AppFile(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
    }
    // A table with one device whose section holds body, that device selected and loaded.
    DeviceProfile& Load(const QString& key, const QStringList& body, const QString& software = "Version 2.8.0")
    {
        QStringList table{"[PRAXON]",    "VERSION=12", "SOFTWARE=" + software,
                          "[PXDEVICES]", key + "=877", "[" + SectionNameOfKey(key) + "]"};
        WriteFile(QStringLiteral("PXMCU.TBL"), table + body);
        ctx.Devices().SetLines({key + "=877"});
        ctx.Devices().SetSelectedIndex(0);
        LoadDeviceProfile(ctx);
        return ctx.Profile();
    }
    // The boxes of the profile load itself: these tables carry no templates, so the template
    // loader's own "missing" reports are left out.
    QList<MessageRequest> ProfileBoxes() const
    {
        QList<MessageRequest> list;
        for (const MessageRequest& box : op.boxes) {
            if (!box.text.startsWith(QStringLiteral("Template File is MISSING")))
                list << box;
        }
        return list;
    }
};

QString Label(const QString& name, const QString& value)
{
    return name.leftJustified(16, u' ') + " [" + value + "]";
}

QStringList LabelsOf(const ConfigField& field)
{
    QStringList labels;
    for (const ConfigOption& option : field.options)
        labels << option.label;
    return labels;
}

// The profile values the data-driven key tests look at, by name.
qint64 ValueOf(const DeviceProfile& p, const QString& name)
{
    const std::map<QString, qint64> values{
        {"idMask", p.idMask},           {"panelCount", p.panelCount},
        {"single", p.singleWordWrites}, {"cal", p.cal},
        {"hasCal", p.hasCalibration},   {"cfgLoc", p.cfgLoc},
        {"cfgWords", p.cfgWords},       {"pwr", p.pwr},
        {"pwrOff", p.pwrOff},           {"vmode", p.vmode},
        {"calMask", p.calMask},         {"fuseMask0", p.words[0].implementedMask},
        {"pmod", p.pmod.unicode()},     {"core", int(p.core)},
    };
    return values.at(name);
}
} // namespace

class TestDeviceProfile : public QObject
{
    Q_OBJECT
private slots:
    void CoreFamilies()
    {
        QCOMPARE(CoreFamilyFromText(QStringLiteral("5X")), CoreFamily::Core5X);
        QCOMPARE(CoreFamilyFromText(QStringLiteral(" xx ")), CoreFamily::CoreXX);
        QCOMPARE(CoreFamilyFromText(QStringLiteral("18x")), CoreFamily::Core18X);
        QCOMPARE(CoreFamilyFromText(QStringLiteral("16X")), CoreFamily::Unknown);
        QCOMPARE(CoreFamilyFromText(QString()), CoreFamily::Unknown);
        for (CoreFamily f : {CoreFamily::Core5X, CoreFamily::CoreXX, CoreFamily::Core18X})
            QCOMPARE(CoreFamilyFromText(CoreFamilyText(f)), f);
        QCOMPARE(CoreFamilyText(CoreFamily::Unknown), QStringLiteral("UNKNOWN"));
    }

    void MarkerGivesSectionAndLevel_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("level");
        QTest::newRow("beta") << "16C57 *"
                              << "16C57"
                              << "Beta";
        QTest::newRow("partial") << "12F675 ~"
                                 << "12F675"
                                 << "Partial";
        QTest::newRow("B0") << QString::fromLatin1("16F628 \xB0") << "16F628"
                            << "FULL";
        QTest::newRow("B2") << QString::fromLatin1("16F628 \xB2") << "16F628"
                            << "FULL";
        QTest::newRow("B3") << QString::fromLatin1("16F628 \xB3") << "16F628"
                            << "FULL";
        QTest::newRow("B9") << QString::fromLatin1("16F628 \xB9") << "16F628"
                            << "FULL";
        QTest::newRow("no marker") << "16F877"
                                   << "16F877"
                                   << "FULL";
        QTest::newRow("separator is any character") << "16F84A*"
                                                    << "16F84"
                                                    << "Beta";
    }
    void MarkerGivesSectionAndLevel()
    {
        QFETCH(QString, key);
        QFETCH(QString, section);
        QFETCH(QString, level);
        Bench b;
        QCOMPARE(SectionNameOfKey(key), section);
        const QStringList table{"[PRAXON]", "SOFTWARE=Version 2.8.0", "[" + section + "]", "ROM=1234"};
        b.WriteFile(QStringLiteral("PXMCU.TBL"), table);
        b.ctx.Devices().SetLines({key + "=877"});
        LoadDeviceProfile(b.ctx);
        const DeviceProfile& p = b.ctx.Profile();
        QCOMPARE(p.rom, 1234); // the section was found
        QCOMPARE(p.sectionName, section);
        QCOMPARE(p.supportLevel, level);
        QCOMPARE(p.deviceKey, key);
        QCOMPARE(p.deviceCode, QStringLiteral("877"));
        QCOMPARE(b.ctx.Window().McuText(), key);
        QVERIFY(b.ProfileBoxes().isEmpty());
    }

    void ExtensionTableSuppliesTheKeys()
    {
        Bench b;
        b.WriteFile(QStringLiteral("PXEXT1.TBL"), {"[PRAXON]", "VERSION=99", "SOFTWARE=Version 1.0", "[16F877]",
                                                   "ROM=8192", "CORE=XX", "_WDT_ON=3FFF"});
        const DeviceProfile& p = b.Load("16F877", {"EXT=PXEXT1.TBL", "ROM=1", "CORE=5X", "_CP_ON=0"});
        QCOMPARE(p.extFile, QStringLiteral("PXEXT1.TBL"));
        QCOMPARE(p.tableVersion, QStringLiteral("12"));
        QVERIFY(b.ProfileBoxes().isEmpty()); // SOFTWARE of the main table matches
        QCOMPARE(p.rom, 8192);
        QCOMPARE(p.core, CoreFamily::CoreXX);
        QCOMPARE(p.words[0].FieldCount(), 1);
        QCOMPARE(p.words[0].fields[0].name, QStringLiteral("WDT"));
    }

    void VersionMismatchIsReportedAndLoadingContinues()
    {
        Bench b;
        const DeviceProfile& p = b.Load("16F877", {"ROM=8192"}, "Version 2.7.0");
        QCOMPARE(b.ProfileBoxes().size(), 1);
        QVERIFY(b.ProfileBoxes()[0].text.contains(QLatin1String("FUSE TABLES")));
        QCOMPARE(p.tableSoftware, QStringLiteral("Version 2.7.0"));
        QCOMPARE(p.rom, 8192);
        QCOMPARE(b.ctx.History().Newest().text.trimmed().right(6), QStringLiteral("16F877"));
    }

    void KeyRules_data()
    {
        QTest::addColumn<QStringList>("body");
        QTest::addColumn<QString>("value");
        QTest::addColumn<qint64>("expected");
        QTest::newRow("IDMASK 18X default") << QStringList{"CORE=18X"} << "idMask" << qint64(0xF80);
        QTest::newRow("IDMASK XX default") << QStringList{"CORE=XX"} << "idMask" << qint64(0xFF80);
        QTest::newRow("IDMASK 5X default") << QStringList{"CORE=5X"} << "idMask" << qint64(0xFF80);
        QTest::newRow("IDMASK written") << QStringList{"CORE=18X", "IDMASK=4095"} << "idMask" << qint64(0xFFF);
        QTest::newRow("PANELC from PANEL")
            << QStringList{"ROM=2048", "PANEL=64", "PANELC=7"} << "panelCount" << qint64(64);
        QTest::newRow("PANELC without PANEL") << QStringList{"ROM=2048", "PANELC=7"} << "panelCount" << qint64(7);
        QTest::newRow("PAW 1 single") << QStringList{"PAW=1"} << "single" << qint64(1);
        QTest::newRow("PAW 0 single") << QStringList{"PAW=0"} << "single" << qint64(1);
        QTest::newRow("PAW 4 rows") << QStringList{"PAW=4"} << "single" << qint64(0);
        QTest::newRow("CAL doubled by BCAL") << QStringList{"CAL=1", "BCAL=1"} << "cal" << qint64(2);
        QTest::newRow("CAL plain") << QStringList{"CAL=1"} << "cal" << qint64(1);
        QTest::newRow("no CAL") << QStringList{"BCAL=1"} << "hasCal" << qint64(0);
        QTest::newRow("CFGLOC kept for a known core")
            << QStringList{"CORE=XX", "CFGLOC=100"} << "cfgLoc" << qint64(100);
        QTest::newRow("CFGLOC cleared for unknown core") << QStringList{"CFGLOC=100"} << "cfgLoc" << qint64(0);
        QTest::newRow("CFGWORDS above 8") << QStringList{"CFGWORDS=12"} << "cfgWords" << qint64(8);
        QTest::newRow("CFGWORDS low byte") << QStringList{"CFGWORDS=258"} << "cfgWords" << qint64(2);
        QTest::newRow("CFGWORDS 0") << QStringList{"CFGWORDS=0"} << "cfgWords" << qint64(1);
        QTest::newRow("PWR above 255") << QStringList{"PWR=300"} << "pwr" << qint64(255);
        QTest::newRow("PWROFF negative") << QStringList{"PWROFF=-1"} << "pwrOff" << qint64(0);
        QTest::newRow("VMODE above 65535") << QStringList{"VMODE=70000"} << "vmode" << qint64(65535);
        QTest::newRow("empty hex reads F") << QStringList{"CALMASK="} << "calMask" << qint64(0xF);
        QTest::newRow("empty FUSEMASK reads F") << QStringList{"FUSEMASK="} << "fuseMask0" << qint64(0xF);
        QTest::newRow("hex mask low 16 bits") << QStringList{"FUSEMASK=13FFF"} << "fuseMask0" << qint64(0x3FFF);
        QTest::newRow("empty PMOD") << QStringList{"PMOD="} << "pmod" << qint64('A');
        QTest::newRow("PMOD first character") << QStringList{"PMOD=CX"} << "pmod" << qint64('C');
    }
    void KeyRules()
    {
        QFETCH(QStringList, body);
        QFETCH(QString, value);
        QFETCH(qint64, expected);
        Bench b;
        QCOMPARE(ValueOf(b.Load("16F877", body), value), expected);
    }

    void SerialNumberPlacement_data()
    {
        QTest::addColumn<QString>("sc"); // empty: SC not written
        QTest::addColumn<int>("ee");
        QTest::addColumn<bool>("numbering"); // entry 37
        QTest::addColumn<bool>("inEe");      // entry 64
        QTest::addColumn<bool>("inCode");    // entry 65
        QTest::newRow("default with EE") << "" << 128 << true << true << true;
        QTest::newRow("default without EE") << "" << 0 << true << false << true;
        QTest::newRow("SC 2 without EE") << "2" << 0 << false << false << false;
        QTest::newRow("SC 2 with EE") << "2" << 64 << true << true << false;
        QTest::newRow("SC 1") << "1" << 64 << true << false << true;
        QTest::newRow("SC 0") << "0" << 64 << false << false << false;
    }
    void SerialNumberPlacement()
    {
        QFETCH(QString, sc);
        QFETCH(int, ee);
        QFETCH(bool, numbering);
        QFETCH(bool, inEe);
        QFETCH(bool, inCode);
        Bench b;
        QStringList body{"EE=" + QString::number(ee)};
        if (!sc.isEmpty())
            body << "SC=" + sc;
        b.Load("16F877", body);
        QCOMPARE(b.ctx.Options().Present(37), numbering);
        QCOMPARE(b.ctx.Options().Present(64), inEe);
        QCOMPARE(b.ctx.Options().Present(65), inCode);
    }

    void ConfigSequence_data()
    {
        QTest::addColumn<QString>("text"); // "-": CFGSEQ not written
        QTest::addColumn<QList<int>>("sequence");
        QTest::newRow("default") << "-" << QList<int>{0, 1, 3, 4, 6, 2, 5};
        QTest::newRow("three") << "2,0,1" << QList<int>{2, 0, 1};
        QTest::newRow("any separator") << "0;1;2" << QList<int>{0, 1, 2};
        QTest::newRow("even length") << "0,1," << QList<int>{0, 1};
        QTest::newRow("at most eight") << "0,1,2,3,4,5,6,7,0,1" << QList<int>{0, 1, 2, 3, 4, 5, 6, 7};
        QTest::newRow("digit out of range") << "0,9,1" << QList<int>{0, 1};
        QTest::newRow("empty") << "" << QList<int>{};
    }
    void ConfigSequence()
    {
        QFETCH(QString, text);
        QFETCH(QList<int>, sequence);
        Bench b;
        const DeviceProfile& p = b.Load("16F877", text == "-" ? QStringList() : QStringList{"CFGSEQ=" + text});
        QCOMPARE(QList<int>(p.cfgSeq.begin(), p.cfgSeq.begin() + p.cfgSeqCount), sequence);
    }

    void FieldLinesSortedWithLabels()
    {
        Bench b;
        const DeviceProfile& p = b.Load("16F877", {"CORE=XX", "_WDT_ON=FFFF", "_fosc_XT_OSC=3FF9", "_WDT_OFF=FFFB",
                                                   "_CP_ALL=0", "_PWRTE_=", "_BAD=1", "_CP_OFF=3FFF"});
        const ConfigWord& w = p.words[0];
        QCOMPARE(w.FieldCount(), 4);
        QCOMPARE(w.fields[0].name, QStringLiteral("CP"));
        QCOMPARE(w.fields[1].name, QStringLiteral("fosc"));
        QCOMPARE(w.fields[2].name, QStringLiteral("PWRTE"));
        QCOMPARE(w.fields[3].name, QStringLiteral("WDT"));
        QCOMPARE(w.fields[3].displayName, QStringLiteral("WDT"));
        // OFF, 13 blanks, a blank, the bracketed value as written.
        QCOMPARE(LabelsOf(w.fields[3]), (QStringList{"OFF              [FFFB]", Label("ON", "FFFF")}));
        QCOMPARE(w.fields[3].options[0].value, quint16(0xFFFB));
        QCOMPARE(w.fields[3].options[1].value, quint16(0xFFFF));
        QCOMPARE(LabelsOf(w.fields[0]), (QStringList{Label("ALL", "0"), Label("OFF", "3FFF")}));
        QCOMPARE(LabelsOf(w.fields[1]), QStringList{Label("XT_OSC", "3FF9")});
        QCOMPARE(w.fields[2].options[0].value, quint16(0xF)); // empty value
        QCOMPARE(w.fields[2].options[0].label, Label("", ""));
    }

    void FieldLinesOfSeveralWords()
    {
        Bench b;
        const DeviceProfile& p =
            b.Load("18F252", {"CORE=18X", "CFGWORDS=3", "_CFG1H_OSC_HS=0FFF", "_CFG2_WDT_ON=FFFF", "_BOR_ON=FFFF",
                              "_CFG9_X_Y=1", "_CFG1H_OSC_RC_IO=0EFF", "_CFG_X_Y=1"});
        QCOMPARE(p.words[0].FieldCount(), 1);
        QCOMPARE(p.words[0].fields[0].name, QStringLiteral("BOR"));
        QCOMPARE(p.words[1].FieldCount(), 1);
        QCOMPARE(p.words[1].fields[0].name, QStringLiteral("OSC"));
        QCOMPARE(LabelsOf(p.words[1].fields[0]), (QStringList{Label("HS", "0F:FF"), Label("RC_IO", "0E:FF")}));
        QCOMPARE(p.words[2].fields[0].name, QStringLiteral("WDT"));
        for (int n = 3; n < DeviceProfile::MaxConfigWords; ++n)
            QCOMPARE(p.words[n].FieldCount(), 0);

        // With one word the CFG part is an ordinary field name.
        Bench one;
        const DeviceProfile& q = one.Load("16F877", {"CORE=XX", "_CFG1_OSC_HS=3FFE"});
        QCOMPARE(q.words[0].FieldCount(), 1);
        QCOMPARE(q.words[0].fields[0].name, QStringLiteral("CFG1"));
        QCOMPARE(q.words[0].fields[0].options[0].label, Label("OSC_HS", "3FFE"));
    }

    void FormatLimits()
    {
        Bench b;
        QStringList body{"CORE=XX", "_MANY_" + QString(260, u'Z') + "=1"};
        for (int i = 0; i < 17; ++i) {
            body << QStringLiteral("_F%1_ON=1").arg(i, 2, 10, QChar(u'0'));
            body << QStringLiteral("_MANY_O%1=%2").arg(i, 2, 10, QChar(u'0')).arg(i);
        }
        const ConfigWord& w = b.Load("16F877", body).words[0];
        QCOMPARE(w.FieldCount(), ConfigWord::MaxFields);
        QCOMPARE(w.fields[0].name, QStringLiteral("F00"));
        QCOMPARE(w.fields[15].name, QStringLiteral("F15")); // F16 finds no slot; MANY sorts after F16
        QVERIFY(std::none_of(w.fields.begin(), w.fields.end(), [](const ConfigField& f) { return f.name == "MANY"; }));

        Bench c;
        QStringList options{"CORE=XX"};
        for (int i = 0; i < 17; ++i)
            options << QStringLiteral("_MANY_O%1=%2").arg(i, 2, 10, QChar(u'0')).arg(i);
        options << "_MANY_" + QString(260, u'Z') + "=1";
        const ConfigField& many = c.Load("16F877", options).words[0].fields[0];
        QCOMPARE(int(many.options.size()), ConfigField::MaxOptions);
        QCOMPARE(many.options.back().value, quint16(0x15)); // O15's value, read as hex
    }

    void ExtraCalibrationChoices()
    {
        Bench b;
        QStringList body{"CAL=1",
                         "XCAL=1",
                         "XCAL1MASK=3FFF",
                         "*XCAL_OSCTUNE_Low=3400",
                         "*XCAL_OSCTUNE_High=34FF",
                         "*XCAL_BANDGAP_Mid=3480",
                         "*XCAL_BAD=1",
                         "*OTHER_A_B=1"};
        const DeviceProfile& p = b.Load("12F675 ~", body);
        QVERIFY(p.hasCalibration);
        QVERIFY(p.hasExtraCalibration);
        QCOMPARE(p.xcal1Mask, quint16(0x3FFF));
        QCOMPARE(p.xcalTitle, QStringLiteral("OSCTUNE")); // the last line in sorted order
        QCOMPARE(int(p.xcalChoices.size()), 3);
        QCOMPARE(p.xcalChoices[0].label, QStringLiteral("Mid        [3480]"));
        QCOMPARE(p.xcalChoices[1].label, QStringLiteral("High       [34FF]"));
        QCOMPARE(p.xcalChoices[2].label, QStringLiteral("Low        [3400]"));
        QCOMPARE(p.xcalChoices[2].value, quint16(0x3400));

        // Without calibration words neither XCAL nor the mask is read.
        Bench c;
        const DeviceProfile& q = c.Load("12F675", {"XCAL=1", "XCAL1MASK=3FFF", "*XCAL_T_A=1"});
        QVERIFY(!q.hasExtraCalibration);
        QCOMPARE(q.xcal, 0);
        QCOMPARE(q.xcal1Mask, quint16(0));
        QVERIFY(q.xcalChoices.empty());

        Bench d;
        QStringList many{"CAL=1", "XCAL=1"};
        for (int i = 0; i < 17; ++i)
            many << QStringLiteral("*XCAL_T_C%1=%2").arg(i, 2, 10, QChar(u'0')).arg(i);
        QCOMPARE(int(d.Load("12F675", many).xcalChoices.size()), DeviceProfile::MaxXcalChoices);
    }

    void FullProfile()
    {
        Bench b;
        b.ctx.Options().SetPresent(64, false);
        const DeviceProfile& p = b.Load("16F877 *", {"ROM=8192",         "EE=256",         "CORE=XX",
                                                     "IDMASK=16256",     "PLATES=P16F87X", "SERIAL=0",
                                                     "PARITY=1",         "FLASH=1",        "PANEL=8",
                                                     "PANELC=3",         "PAW=4",          "SC=3",
                                                     "EELOC=8448",       "IDLOC=8192",     "CFGLOC=8199",
                                                     "PMOD=B",           "BCAL=1",         "BCALLOC=1023",
                                                     "CALOFFST=2",       "CAL=1",          "CALMASK=03FF",
                                                     "XCAL=2",           "XCAL1MASK=00FF", "*XCAL_VREF_Mid=0080",
                                                     "CFGWORDS=2",       "CFGSEQ=1,0",     "FUSEMASK=3FFF",
                                                     "FUSEMASK1=0FFF",   "FUSEMASK2=1111", "CPMASK=CFCF",
                                                     "CPMASK1=0F00",     "Man=ACME",       "PWR=6",
                                                     "PWROFF=5",         "VMODE=258",      "_WDT_ON=3FFF",
                                                     "_CFG1_BOR_ON=0FFF"});
        QCOMPARE(p.deviceKey, QStringLiteral("16F877 *"));
        QCOMPARE(p.sectionName, QStringLiteral("16F877"));
        QCOMPARE(p.supportLevel, QStringLiteral("Beta"));
        QVERIFY(p.extFile.isEmpty());
        QCOMPARE(p.rom, 8192);
        QCOMPARE(p.ee, 256);
        QVERIFY(p.HasEe());
        QCOMPARE(p.core, CoreFamily::CoreXX);
        QCOMPARE(p.coreText, QStringLiteral("XX"));
        QCOMPARE(p.idMask, quint16(0x3F80));
        QCOMPARE(p.plates, QStringLiteral("P16F87X"));
        QVERIFY(!p.serial);
        QVERIFY(p.parity);
        QVERIFY(p.flash);
        QCOMPARE(p.panel, 8);
        QCOMPARE(p.panelCount, 2048);
        QCOMPARE(p.paw, 4);
        QVERIFY(!p.singleWordWrites);
        QCOMPARE(p.sc, 3);
        QVERIFY(b.ctx.Options().Present(37) && b.ctx.Options().Present(64) && b.ctx.Options().Present(65));
        QCOMPARE(p.eeLoc, 0x2100);
        QCOMPARE(p.idLoc, 0x2000);
        QCOMPARE(p.cfgLoc, 0x2007);
        QCOMPARE(p.pmod, QChar(u'B'));
        QVERIFY(p.bcal);
        QCOMPARE(p.bcalLoc, 1023);
        QCOMPARE(p.calOffset, 2);
        QCOMPARE(p.cal, 2);
        QCOMPARE(p.calMask, quint16(0x3FF));
        QCOMPARE(p.xcal, 2);
        QVERIFY(p.hasCalibration && p.hasExtraCalibration);
        QCOMPARE(p.xcal1Mask, quint16(0xFF));
        QCOMPARE(p.xcalTitle, QStringLiteral("VREF"));
        QCOMPARE(p.cfgWords, 2);
        QCOMPARE(p.cfgSeqCount, 2);
        QCOMPARE(p.cfgSeq[0], 1);
        QCOMPARE(p.cfgSeq[1], 0);
        QCOMPARE(p.words[0].implementedMask, quint16(0x3FFF));
        QCOMPARE(p.words[1].implementedMask, quint16(0x0FFF));
        QCOMPARE(p.words[2].implementedMask, quint16(0xFFFF)); // beyond CFGWORDS: not read
        QCOMPARE(p.words[0].protectMask, quint16(0xCFCF));
        QCOMPARE(p.words[1].protectMask, quint16(0x0F00));
        // The blank image's configuration word, decoded under the word's implemented bits.
        QCOMPARE(p.words[0].value, quint16(0x3FFF));
        QCOMPARE(p.manufacturer, QStringLiteral("ACME"));
        QCOMPARE(p.pwr, 6);
        QCOMPARE(p.pwrOff, 5);
        QCOMPARE(p.vmode, 258);
        QCOMPARE(p.words[1].fields[0].name, QStringLiteral("BOR"));
        QCOMPARE(p.selectedWord, 0);
        QCOMPARE(b.ctx.Window().McuText(), QStringLiteral("16F877 *"));
        QVERIFY(b.ctx.FieldSelectors().WordSelectorEnabled());
        QCOMPARE(b.ctx.FieldSelectors().WordSelectorMaximum(), 1);
        QVERIFY(b.ProfileBoxes().isEmpty());
    }

    void DefaultsAndReload()
    {
        Bench b;
        b.Load("16F877", {"CORE=XX", "CAL=1", "XCAL=1", "*XCAL_T_A=1", "CFGWORDS=2", "_WDT_ON=1", "_CFG1_X_Y=2"});
        // A second device without any key: nothing of the first survives.
        QStringList table{"[PRAXON]", "SOFTWARE=Version 2.8.0", "[PXDEVICES]", "16F877=877", "BARE=1", "[BARE]"};
        b.WriteFile(QStringLiteral("PXMCU.TBL"), table);
        b.ctx.Devices().SetLines({"16F877=877", "BARE=1"});
        b.ctx.Devices().SetSelectedIndex(1);
        QCOMPARE(b.ctx.Devices().SelectedLine(), QStringLiteral("BARE=1"));
        LoadDeviceProfile(b.ctx);
        const DeviceProfile& p = b.ctx.Profile();
        QCOMPARE(p.rom, 0);
        QCOMPARE(p.core, CoreFamily::Unknown);
        QCOMPARE(p.coreText, QStringLiteral("UNKNOWN"));
        QCOMPARE(p.idMask, quint16(0xFF80));
        QCOMPARE(p.plates, QStringLiteral("NONE"));
        QVERIFY(p.serial && !p.parity && !p.flash);
        QCOMPARE(p.panelCount, 1);
        QVERIFY(p.singleWordWrites);
        QCOMPARE(p.sc, 3);
        QCOMPARE(p.cfgLoc, 0);
        QCOMPARE(p.pmod, QChar(u'A'));
        QVERIFY(!p.hasCalibration && !p.hasExtraCalibration && p.xcalChoices.empty() && p.xcalTitle.isEmpty());
        QCOMPARE(p.calMask, quint16(0));
        QCOMPARE(p.cfgWords, 1);
        QCOMPARE(p.words[0].implementedMask, quint16(0xFFFF));
        QCOMPARE(p.words[0].protectMask, quint16(0));
        for (const ConfigWord& w : p.words)
            QCOMPARE(w.FieldCount(), 0);
        QCOMPARE(p.manufacturer, QStringLiteral("MICROCHIP"));
        QCOMPARE(p.pwr, 5);
        QCOMPARE(p.pwrOff, 6);
        QCOMPARE(p.vmode, 3);
        QVERIFY(!b.ctx.FieldSelectors().WordSelectorEnabled());
        QCOMPARE(b.ctx.FieldSelectors().WordSelectorMaximum(), 1);
        for (int k = 1; k <= FieldSelectorSlots::Count; ++k)
            QVERIFY(!b.ctx.FieldSelectors().Slot(k).visible && b.ctx.FieldSelectors().Slot(k).options.isEmpty());
        QCOMPARE(b.ctx.Window().McuText(), QStringLiteral("BARE"));
    }

    void HistoryLine()
    {
        Bench b;
        b.ctx.History().AddLine(QStringLiteral("before"));
        b.Load("16C57 *", {"ROM=2048"});
        const HistoryLog::Entry& line = b.ctx.History().Newest();
        QCOMPARE(line.text, QStringLiteral("  Loaded settings for MCU: ").leftJustified(40, u' ') + "16C57");
        QCOMPARE(line.textColour, ColoursOf(HistoryStyle::FileInformation).text);
        QCOMPARE(line.background, ColoursOf(HistoryStyle::FileInformation).background);
        QCOMPARE(b.ctx.History().DisplayText().mid(b.ctx.History().VisibleCount() - 2, 1),
                 QStringList{QStringLiteral("before")});
    }

    void FieldSelectorsFollowTheSelectedWord()
    {
        Bench b;
        QSignalSpy changed(&b.ctx.FieldSelectors(), &FieldSelectorSlots::Changed);
        b.Load("16F877", {"CORE=XX", "CFGWORDS=2", "_WDT_ON=3FFF", "_WDT_OFF=3FFB", "_CP_ON=0", "_CFG1_BOR_ON=3FFF"});
        QVERIFY(changed.count() > 0);
        FieldSelectorSlots& selectors = b.ctx.FieldSelectors();
        QCOMPARE(selectors.Slot(1).label, QStringLiteral("CP"));
        QCOMPARE(selectors.Slot(2).label, QStringLiteral("WDT"));
        QCOMPARE(selectors.Slot(2).options, (QStringList{Label("OFF", "3FFB"), Label("ON", "3FFF")}));
        QCOMPARE(selectors.Slot(2).selected, 0);
        QCOMPARE(selectors.Slot(2).text, Label("OFF", "3FFB"));
        QVERIFY(selectors.Slot(1).visible && selectors.Slot(2).visible && !selectors.Slot(3).visible);

        DeviceProfile& p = b.ctx.Profile();
        p.words[0].fields[1].selected = 1;
        p.words[0].fields[0].selected = 5; // not in the list
        b.ctx.FieldSelectors().Fill(b.ctx.Profile());
        QCOMPARE(selectors.Slot(2).text, Label("ON", "3FFF"));
        QCOMPARE(selectors.Slot(1).selected, -1);
        QVERIFY(selectors.Slot(1).text.isEmpty());

        p.selectedWord = 1;
        b.ctx.FieldSelectors().Fill(b.ctx.Profile());
        QCOMPARE(selectors.Slot(1).label, QStringLiteral("BOR"));
        QVERIFY(selectors.Slot(1).visible && !selectors.Slot(2).visible);
        QVERIFY(selectors.Slot(2).label.isEmpty() && selectors.Slot(2).options.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestDeviceProfile)
#include "TestDeviceProfile.moc"
