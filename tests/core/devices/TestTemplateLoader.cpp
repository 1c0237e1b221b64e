#include "ScriptedOperator.h"
#include "TestPaths.h"
#include "core/context/AppContext.h"
#include "core/devices/DeviceProfileLoader.h"
#include "core/devices/DeviceSelection.h"
#include "core/devices/OperationRegions.h"
#include "core/devices/TemplateLoader.h"
#include "core/link/BoxProtocol.h"
#include "core/options/OptionRefresh.h"

#include <QFile>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <map>
#include <set>

namespace {

const QString Op = QStringLiteral("1,49,10,0,0,0,0,0,FF,3F,0,16,10,0,0,14020806,0");

// A directory with template files of table version 283 and a context whose profile names
// template plates.
struct Bench {
    QTemporaryDir dir;
    ScriptedOperator op;
    AppContext ctx{op, dir.path() + u'/'};

    Bench()
    {
        DeviceProfile& p = ctx.Profile();
        p.tableVersion = QStringLiteral("283");
        p.plates = QStringLiteral("PT");
        p.core = CoreFamily::CoreXX;
        p.rom = 2048;
        p.ee = 128;
        p.eeLoc = 0x2100;
        p.idLoc = 0x2000;
        p.flash = true;
        p.paw = 4;
    }
    void Write(const QString& name, const QStringList& lines)
    {
        QFile file(ctx.AppFile(name));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write((lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n")).toLatin1());
    }
    static QStringList Header(int version = 283)
    {
        return {"[PRAXON]",
                "VERSION=" + QString::number(version),
                "SOFTWARE=Version 2.8.0",
                "[NodeNames]",
                "0=Auto Run,Auto Run Program Cycle",
                "1=Erase,Erase MCU",
                "4=Bulk Erase,Bulk Erase Device",
                "12=Program,Program MCU",
                "13=Code,Program Code Memory",
                "17=Config,Program Configuration Words",
                "18=Verify,Verify MCU",
                "19=Code,Verify Code Memory",
                "23=Config,Verify Configuration Words",
                "24=Serialize,Serialize MCU",
                "25=Code S/N,Serial Number into Code Memory",
                "33=Config Word,Configuration Word",
                "35=Config Words,Program Configuration Words",
                "40=Broken,Invalid"};
    }
    static QStringList Operations(int count)
    {
        QStringList lines;
        for (int n = 0; n < count; ++n)
            lines << QStringLiteral("Op%1=").arg(n) + Op;
        return lines;
    }
    // Writes both files: the "0" file with section content zero, the "1" file with one.
    void Files(const QStringList& zero, const QStringList& one = {}, int version = 283)
    {
        Write(QStringLiteral("PX2830.PXT"), Header(version) + zero);
        Write(QStringLiteral("PX2831.PXT"), Header(version) + one);
    }
    bool Load() { return LoadTemplates(ctx, QStringLiteral("DEV")); }
    TemplateTables& T() { return ctx.Templates(); }
};

QStringList Section(const QString& name, const QStringList& lines)
{
    return QStringList{"[" + name + "]"} + lines;
}

} // namespace

class TestTemplateLoader : public QObject
{
    Q_OBJECT
private slots:
    void TemplateOnlyInSecondFileIsFoundThereForBothSections()
    {
        Bench b;
        b.Files({}, Section("TPT", {"0=12,0,1,1,1,13", "1=13,1,0,1,1,5"}) + Section("PT", Bench::Operations(33)));
        QVERIFY(b.Load());
        QVERIFY(b.op.boxes.isEmpty());
        QCOMPARE(b.T().templateFile, QStringLiteral("PX2831.PXT"));
        QCOMPARE(b.T().nodeCount, 2);
        QCOMPARE(b.T().rows[1].name, QStringLiteral("Code"));
        QCOMPARE(int(b.T().operations[5].present), 1);

        // The "0" file wins when it holds the sections.
        Bench c;
        c.Files(Section("TPT", {"0=12,0,0,1,0"}) + Section("PT", Bench::Operations(33)), Section("PT", {}));
        QVERIFY(c.Load());
        QCOMPARE(c.T().templateFile, QStringLiteral("PX2830.PXT"));
    }

    void MissingTemplateFileIsReportedAndKeepsTheTables()
    {
        Bench b;
        b.Write(QStringLiteral("PX2830.PXT"),
                Bench::Header() + Section("TPT", {"0=12,0,0,1,0"}) + Section("PT", Bench::Operations(33)));
        b.T().rows[0].taskCode = 18; // left from an earlier device
        QVERIFY(!b.Load());
        QCOMPARE(b.op.Captions(), QStringList{"Table Error"});
        QCOMPARE(b.op.boxes[0].icon, BoxIcon::Warning);
        QCOMPARE(b.op.Texts()[0], QStringLiteral("Template File is MISSING:\r\r") + b.ctx.AppFile("PX2831.PXT") +
                                      QStringLiteral("\r\rPlease Update Templates or re-install program."));
        QCOMPARE(b.T().rows[0].taskCode, 18);
    }

    void OperationSectionNeedsMoreThan32Lines()
    {
        Bench b;
        b.Files(Section("TPT", {"0=12,0,0,1,0"}) + Section("PT", Bench::Operations(32)));
        b.Load();
        QCOMPARE(b.op.Captions(), QStringList{"Table Error"});
        QCOMPARE(b.op.Texts()[0], QStringLiteral("Templates for MCU [DEV] are MISSING:\r\r") +
                                      b.ctx.AppFile("PX2830.PXT") +
                                      QStringLiteral("\r\rPlease Update Templates or re-install program."));
        for (const OperationRecord& op : b.T().operations)
            QCOMPARE(int(op.present), 0);

        Bench c;
        c.ctx.Profile().bcal = true; // so that slot 32, the last line, applies to the device
        c.Files(Section("TPT", {"0=12,0,0,1,0"}) + Section("PT", Bench::Operations(33)));
        QVERIFY(c.Load());
        QVERIFY(c.op.boxes.isEmpty());
        QCOMPARE(int(c.T().operations[32].present), 1);
        QCOMPARE(int(c.T().operations[33].present), 0); // beyond the section
    }

    void OperationLineValuesAndShortLines()
    {
        Bench b;
        QStringList ops = Bench::Operations(34);
        ops[1] = QStringLiteral("Short=1,33,0");
        ops[9] = QStringLiteral("NotHere=0,65,0,0,0,0,0,0,FF,3F,0,0,0,0,0,140406,0");
        b.Files(Section("TPT", {"0=12,0,0,1,0"}) + Section("PT", ops));
        QVERIFY(b.Load());
        QVERIFY(b.op.boxes.isEmpty()); // a short line is no reason for a message
        const auto& t = b.T().operations;
        QCOMPARE(int(t[1].present), 0);
        QCOMPARE(t[1].size, qint64(2048)); // absent slots keep their size and location
        QCOMPARE(t[1].LocationField(), 2047u);
        QCOMPARE(t[1].scriptLength, 0);
        QCOMPARE(int(t[9].present), 0);

        const OperationRecord& code = t[5];
        QCOMPARE(int(code.present), 1);
        QCOMPARE(int(code.parameterBlock[0]), 49);
        QCOMPARE(int(code.basePulse), 10);
        QCOMPARE(code.wordMask, 0x3FFFu);
        QCOMPARE(int(code.parameterBlock[OperationRecord::MaskLow]), 0xFF);
        QCOMPARE(int(code.parameterBlock[OperationRecord::MaskHigh]), 0x3F);
        QCOMPARE(int(code.parameterBlock[13]), 16);
        QCOMPARE(int(code.parameterBlock[14]), 10);
        QCOMPARE(int(code.parameterBlock[OperationRecord::PanelCount]), 4); // PAW for slot 5
        QCOMPARE(int(t[9].parameterBlock[OperationRecord::PanelCount]), 0);
        QCOMPARE(int(t[6].parameterBlock[OperationRecord::PanelCount]), 1);
        QCOMPARE(code.scriptLength, 4);
        QCOMPARE(int(code.script[0]), 0x14);
        QCOMPARE(int(code.script[3]), 0x06);
        // Skip-blank off at load: every word is written.
        QCOMPARE(int(code.parameterBlock[OperationRecord::Flags]) & 0x40, 0x40);
        // Slot 5 and 6 publish their masks to the image's grids.
        QCOMPARE(b.ctx.Image().CodeGrid().wordMask, quint16(0x3FFF));
    }

    void TaskRowParseStopsAtMissingValues()
    {
        Bench b;
        b.Files(Section("TPT", {"0=12,0,2,1,1,13", "1=13,1,0,1,2,5,6", "2=19,1,0", "3=18,0,0,1,0"}) +
                Section("PT", Bench::Operations(33)));
        QVERIFY(b.Load());
        const TemplateTables& t = b.T();
        QCOMPARE(t.nodeCount, 2);
        QCOMPARE(t.rows[1].stepCount, 2);
        QCOMPARE(int(t.rows[1].steps[0]), 5);
        QCOMPARE(int(t.rows[1].steps[1]), 6);
        QCOMPARE(int(t.rows[1].steps[2]), 63);
        QCOMPARE(t.rows[2].taskCode, 63); // the line with three values
        QCOMPARE(t.rows[3].taskCode, 63); // not read at all
        QCOMPARE(t.RowIndexOfCode(19), -1);
        QCOMPARE(t.RowIndexOfCode(18), -1);
        QCOMPARE(t.RowIndexOfCode(13), 1);
        QCOMPARE(int(t.rows[0].group), 1);
        QCOMPARE(t.ImageIndex(0), 0);
        QCOMPARE(t.SelectedImageIndex(0), 1);
        QCOMPARE(t.ImageIndex(1), 8);
    }

    // A row whose step count does not match its steps, or whose steps are no step numbers, is
    // refused with the file and line, and the whole tree with it: an Auto Run that ran part of its
    // cycle (say only the erase) would report a pass.
    void RowsWhoseStepsDoNotMatchAreRefused_data()
    {
        QTest::addColumn<QString>("row");
        QTest::addColumn<QString>("reason");
        const QString notCount = QStringLiteral("The step count [%1] is not a number from 0 to 32.");
        QTest::newRow("count 2147483647") << "13,1,0,1,2147483647,5" << notCount.arg("2147483647");
        QTest::newRow("count -5") << "13,1,0,1,-5,5" << notCount.arg("-5");
        QTest::newRow("count 33") << "13,1,0,1,33" + QStringLiteral(",5").repeated(33) << notCount.arg("33");
        QTest::newRow("count no number") << "13,1,0,1,two,5,6" << notCount.arg("two");
        QTest::newRow("fewer steps") << "13,1,0,1,2,5"
                                     << QStringLiteral("The step count [2] does not match the 1 steps listed.");
        QTest::newRow("more steps") << "13,1,0,1,1,5,6"
                                    << QStringLiteral("The step count [1] does not match the 2 steps listed.");
        QTest::newRow("step 256") << "13,1,0,1,2,5,256"
                                  << QStringLiteral("Step 2 [256] is not a number from 0 to 255.");
        QTest::newRow("step empty") << "13,1,0,1,2,5," << QStringLiteral("Step 2 [] is not a number from 0 to 255.");
    }
    void RowsWhoseStepsDoNotMatchAreRefused()
    {
        QFETCH(QString, row);
        QFETCH(QString, reason);
        Bench b;
        b.Files(Section("TPT", {"0=12,0,1,1,1,13", "; a comment", "1=" + row, "2=18,0,0,1,0"}) +
                Section("PT", Bench::Operations(33)));
        QVERIFY(!b.Load());
        QCOMPARE(b.op.Captions(), QStringList{"Table Error"});
        QCOMPARE(b.op.boxes[0].icon, BoxIcon::Warning);
        // Line 22 of the file: Bench::Header() has 18 lines, then the header, a row and a comment.
        QString quoted = "1=" + row;
        if (quoted.size() > 80)
            quoted = quoted.left(80) + "...";
        QCOMPARE(b.op.Texts()[0], QStringLiteral("Task Row Refused in Template File:\r\r") +
                                      b.ctx.AppFile("PX2830.PXT") + QStringLiteral(", line 22:\r") + quoted +
                                      QStringLiteral("\r\r") + reason +
                                      QStringLiteral("\r\rPlease Update Templates or re-install program."));
        const TemplateTables& t = b.T();
        QCOMPARE(t.nodeCount, 0);
        for (int code : {12, 13, 18})
            QCOMPARE(t.RowIndexOfCode(code), -1);
        QCOMPARE(int(t.operations[5].present), 1); // the operations still load
    }

    void NoTaskEndsTheTree_data()
    {
        QTest::addColumn<QString>("middle");
        QTest::newRow("code 63") << "63,0,0,1,0";
        QTest::newRow("name missing") << "41,0,0,1,0";
        QTest::newRow("description Invalid") << "40,0,0,1,0";
        QTest::newRow("not a number") << "x,0,0,1,0";
        QTest::newRow("level above 6") << "18,7,0,1,0";
    }
    void NoTaskEndsTheTree()
    {
        QFETCH(QString, middle);
        Bench b;
        b.Files(Section("TPT", {"0=12,0,0,1,0", "1=" + middle, "2=18,0,0,1,0"}) + Section("PT", Bench::Operations(33)));
        QVERIFY(b.Load());
        QCOMPARE(b.T().nodeCount, 1);
        QCOMPARE(b.T().RowIndexOfCode(18), 2); // the rows after it are still parsed
        if (!middle.startsWith("18")) {
            QCOMPARE(b.T().rows[1].taskCode, 63);
            QCOMPARE(b.T().rows[1].nodeState, int(TaskRow::NotAvailable));
            QCOMPARE(int(b.T().rows[1].run), 0);
        }
    }

    void VersionMustMatchTheTable_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<bool>("matches");
        QTest::newRow("283") << 283 << true;
        QTest::newRow("284") << 284 << false;
    }
    void VersionMustMatchTheTable()
    {
        QFETCH(int, version);
        QFETCH(bool, matches);
        Bench b;
        b.Files(Section("TPT", {"0=12,0,0,1,0"}) + Section("PT", Bench::Operations(33)), {}, version);
        QCOMPARE(b.Load(), matches);
        QCOMPARE(b.T().templateVersion, version);
        if (matches) {
            QVERIFY(b.op.boxes.isEmpty());
        } else {
            QCOMPARE(b.op.Captions(), QStringList{"Table Error"});
            QCOMPARE(
                b.op.Texts()[0],
                QStringLiteral("Configuration Files do not match.\r\rPlease Update Templates or re-install program."));
        }
    }

    void PlatesNoneIsReportedMissing()
    {
        Bench b;
        b.ctx.Profile().plates = QStringLiteral("NONE");
        b.Files({});
        QVERIFY(!b.Load());
        QVERIFY(b.op.Texts().last().startsWith(QStringLiteral("Template File is MISSING:\r\r") +
                                               b.ctx.AppFile("PX2831.PXT")));
    }

    void MenuPlacement()
    {
        Bench b;
        b.Files(Section("TPT", {"0=0,0,10,1,3,12,24,33", "1=12,1,1,1,1,13", "2=13,2,0,1,1,5", "3=18,1,1,1,1,19",
                                "4=19,2,0,1,1,9", "5=24,1,1,1,1,25", "6=25,2,0,1,1,13", "7=33,1,3,1,2,17,23",
                                "8=17,2,0,1,1,15", "9=23,2,0,1,1,16", "10=35,2,0,1,1,15", "11=1,0,1,1,1,4",
                                "12=4,1,0,1,1,0"}) +
                Section("PT", Bench::Operations(33)));
        QVERIFY(b.Load());
        const TemplateTables& t = b.T();
        QCOMPARE(t.nodeCount, 13);
        QCOMPARE(t.parentRow[2], 1);
        QCOMPARE(t.parentRow[8], 7);
        const auto entryOf = [&](int row) { return t.rows[size_t(row)].menuEntry; };
        const auto holderOf = [&](int row) { return t.menu.entries[size_t(entryOf(row))].parent; };
        QCOMPARE(entryOf(0), -1); // Auto Run
        QCOMPARE(entryOf(5), -1); // serialize group below the top
        QCOMPARE(entryOf(6), -1); // under serialize
        QCOMPARE(entryOf(7), -1); // configuration word group below the top
        QCOMPARE(holderOf(1), -1);
        QCOMPARE(holderOf(2), entryOf(1));
        QCOMPARE(holderOf(8), entryOf(1));  // 17 goes with the program rows
        QCOMPARE(holderOf(10), entryOf(1)); // so does 35
        QCOMPARE(holderOf(9), entryOf(3));  // 23 with the verify rows
        QCOMPARE(holderOf(11), -1);         // a top-level cycle other than Auto Run
        QCOMPARE(holderOf(12), entryOf(11));
        QCOMPARE(t.menu.entries[size_t(entryOf(8))].caption, QStringLiteral("Config"));
        QCOMPARE(t.menu.entries[size_t(entryOf(8))].code, 17);
    }

    void RowStateOperations()
    {
        TemplateTables t;
        TaskRow& r = t.rows[0];
        r.available = 1;
        r.onByDefault = 0;
        t.SwitchOn(0);
        QCOMPARE(int(r.run), 1);
        QCOMPARE(r.nodeState, 0);
        QCOMPARE(int(r.enabled), 1);
        t.SwitchOff(0);
        QCOMPARE(int(r.run), 0);
        QCOMPARE(r.nodeState, 4);
        QCOMPARE(int(r.enabled), 1);
        t.ApplyAvailability(0, true); // available, not on by default
        QCOMPARE(r.nodeState, 4);
        r.onByDefault = 1;
        t.ApplyAvailability(0, true);
        QCOMPARE(r.nodeState, 0);
        t.ApplyAvailability(0, false);
        QCOMPARE(r.nodeState, 4);
        QCOMPARE(int(r.enabled), 1);
        t.Disable(0);
        QCOMPARE(r.nodeState, 6);
        QCOMPARE(int(r.enabled), 0);
        // Once not available, Apply availability keeps it so and Switch on cannot undo it.
        t.ApplyAvailability(0, true);
        QCOMPARE(r.nodeState, 6);
        QCOMPARE(int(r.available), 0);
        t.SwitchOn(0);
        QCOMPARE(r.nodeState, 6);
        QCOMPARE(int(r.run), 0);
    }

    void RegionSizesPerFamily_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<QList<int>>("slotList");
        QTest::addColumn<QList<qint64>>("sizes");
        QTest::addColumn<QList<int>>("absent");
        QTest::newRow("16F877A") << "16F877A" << QList<int>{0, 1, 2, 3, 4, 6, 10, 8, 15}
                                 << QList<qint64>{0, 8192, 8449, 4, 0, 8449, 8449, 4, 0} << QList<int>{7, 22, 30};
        // Code covers ROM, the words below OSCCAL; every calibration slot ends at OSCCAL (0x3FF).
        QTest::newRow("12F675") << "12F675" << QList<int>{5, 7, 19, 22, 23, 2}
                                << QList<qint64>{1023, 1024, 1024, 0, 1024, 8449} << QList<int>{30, 31};
        QTest::newRow("12F508") << "12F508" << QList<int>{0, 1, 3, 8, 7, 30}
                                << QList<qint64>{517, 511, 513, 513, 512, 517} << QList<int>{2, 6, 22};
        QTest::newRow("16C57") << "16C57" << QList<int>{0, 3, 28} << QList<qint64>{2049, 2049, 0}
                               << QList<int>{0, 2, 28, 7};
        QTest::newRow("18F252") << "18F252" << QList<int>{3, 8, 20, 2, 10, 18, 4, 16}
                                << QList<qint64>{8, 4, 4, 256, 256, 256, 7, 7} << QList<int>{7, 22};
    }
    void RegionSizesPerFamily()
    {
        QFETCH(QString, device);
        QFETCH(QList<int>, slotList);
        QFETCH(QList<qint64>, sizes);
        QFETCH(QList<int>, absent);
        ScriptedOperator op;
        AppContext ctx(op, TestPaths::ShippedData());
        BuildDeviceList(ctx);
        QVERIFY(SelectDeviceByName(ctx, device));
        LoadDeviceProfile(ctx);
        for (int i = 0; i < slotList.size(); ++i) {
            QCOMPARE(RegionSize(slotList[i], ctx.Profile()), sizes[i]);
            const OperationRecord& rec = ctx.Templates().operations[size_t(slotList[i])];
            QCOMPARE(rec.size, sizes[i]);
            QCOMPARE(rec.LocationField(), quint32(sizes[i] > 0 ? sizes[i] - 1 : 0));
        }
        for (int slot : absent) {
            QVERIFY2(SlotAbsentForDevice(slot, ctx.Profile()), qPrintable(QString::number(slot)));
            QCOMPARE(int(ctx.Templates().operations[size_t(slot)].present), 0);
        }
    }

    // Every device of the shipped table: its template loads silently, every task row its options
    // leave available runs only present operations, and each present operation is one that
    // docs/box-operations.md describes for its slot.
    void ShippedTemplatesAreConsistent()
    {
        const std::map<int, std::set<int>> described = DescribedOperations();
        QVERIFY(described.size() >= 30);

        ScriptedOperator op;
        AppContext ctx(op, TestPaths::ShippedData());
        BuildDeviceList(ctx);
        QVERIFY(ctx.Devices().Count() >= 16);
        QSet<QString> files;
        for (int i = 0; i < ctx.Devices().Count(); ++i) {
            op.Clear();
            ctx.Devices().SetSelectedIndex(i);
            LoadDeviceProfile(ctx);
            UpdateOptionControls(ctx);
            const DeviceProfile& p = ctx.Profile();
            const TemplateTables& t = ctx.Templates();
            const QString where = p.sectionName + u'/' + p.plates;
            QVERIFY2(!op.Captions().contains("Table Error") && !op.Captions().contains("File Mis-Match"),
                     qPrintable(where));
            files << t.templateFile;
            QVERIFY2(t.nodeCount >= 20, qPrintable(where));
            for (int code : {0, 12, 18, 24, 27, 33})
                QVERIFY2(t.RowIndexOfCode(code) >= 0, qPrintable(where + " code " + QString::number(code)));
            QCOMPARE(t.RowIndexOfCode(p.flash ? 1 : 7) >= 0, true);
            for (int r = 0; r < t.nodeCount; ++r) {
                const TaskRow& row = t.rows[size_t(r)];
                const QString at = where + " row " + QString::number(r);
                for (int s = 0; s < row.stepCount; ++s) {
                    const int step = row.steps[size_t(s)];
                    if (row.group) {
                        QVERIFY2(t.RowIndexOfCode(step) >= 0, qPrintable(at));
                        continue;
                    }
                    if (!row.enabled)
                        continue;
                    const OperationRecord& rec = t.operations[size_t(step)];
                    QVERIFY2(rec.present && rec.scriptLength > 1, qPrintable(at + " slot " + QString::number(step)));
                }
            }
            for (int slot = 0; slot < 34; ++slot) {
                const OperationRecord& rec = t.operations[size_t(slot)];
                if (!rec.present)
                    continue;
                const QString at = where + " slot " + QString::number(slot);
                QVERIFY2(described.count(slot) && described.at(slot).count(rec.parameterBlock[0]), qPrintable(at));
                QVERIFY2(rec.parameterBlock[OperationRecord::CountRule] <= BoxProtocol::CountWriteGroups,
                         qPrintable(at));
                // Write groups are how 18X code writes count; every other operation counts items.
                QVERIFY2((rec.parameterBlock[OperationRecord::CountRule] == BoxProtocol::CountWriteGroups) ==
                             (p.core == CoreFamily::Core18X && slot == 5),
                         qPrintable(at));
                QVERIFY2(rec.parameterBlock[OperationRecord::ItemUnit] <= 2, qPrintable(at));
                const int family = p.core == CoreFamily::Core5X ? 0x05 : p.core == CoreFamily::CoreXX ? 0x14 : 0x18;
                QVERIFY2(rec.script[0] == family, qPrintable(at));
                // Only the serial-number slots carry the address marker, once, with its three
                // address bytes inside the script.
                int markers = 0;
                for (int k = 0; k < rec.scriptLength; ++k) {
                    if (rec.script[size_t(k)] != 0x93)
                        continue;
                    ++markers;
                    QVERIFY2((slot == 13 || slot == 14) && k + 3 < rec.scriptLength, qPrintable(at));
                    k += 3;
                }
                QVERIFY2(markers <= 1, qPrintable(at));
            }
        }
        // At least one template lives only in the second file.
        QVERIFY(files.contains(QStringLiteral("PX2800.PXT")));
        QVERIFY(files.contains(QStringLiteral("PX2801.PXT")));
    }

private:
    // The slot guide of docs/box-operations.md: each slot's operation code(s).
    static std::map<int, std::set<int>> DescribedOperations()
    {
        QFile doc(TestPaths::ShippedData() + QStringLiteral("../docs/box-operations.md"));
        if (!doc.open(QIODevice::ReadOnly))
            return {};
        const QString text = QString::fromUtf8(doc.readAll());
        const qsizetype guide = text.indexOf(QStringLiteral("Slot guide"));
        std::map<int, std::set<int>> result;
        const QRegularExpression row(QStringLiteral("^\\| ([0-9, ]+) \\| (.*) \\|$"),
                                     QRegularExpression::MultilineOption);
        const QRegularExpression code(QStringLiteral("0x([0-9A-Fa-f]{2})"));
        auto it = row.globalMatch(text.mid(guide));
        while (it.hasNext()) {
            const auto m = it.next();
            QList<int> slotList;
            for (const QString& s : m.captured(1).split(u',', Qt::SkipEmptyParts))
                slotList << s.trimmed().toInt();
            QList<int> codes;
            auto c = code.globalMatch(m.captured(2));
            while (c.hasNext())
                codes << c.next().captured(1).toInt(nullptr, 16);
            for (int i = 0; i < slotList.size(); ++i) {
                if (codes.size() == slotList.size())
                    result[slotList[i]].insert(codes[i]);
                else
                    for (int c2 : codes)
                        result[slotList[i]].insert(c2);
            }
        }
        return result;
    }
};

QTEST_GUILESS_MAIN(TestTemplateLoader)
#include "TestTemplateLoader.moc"
