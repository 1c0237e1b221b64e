#include "ImageFixture.h"
#include "core/devices/DeviceSelection.h"
#include "core/image/InformationReport.h"

#include <QTemporaryDir>

namespace {
QString ValueOf(const QStringList& lines, const QString& label)
{
    for (const QString& line : lines) {
        if (line.startsWith(u' ' + label + u' '))
            return line.mid(24);
    }
    return QStringLiteral("<missing>");
}
} // namespace

class TestInformationReport : public QObject
{
    Q_OBJECT
private slots:
    void Layout()
    {
        ImageFixture f;
        f.LoadDevice("16F877A");
        f.ctx.Support().tableDate = "2026-12-01";
        f.ctx.Image().SetLastChecksum(0xF800);
        const QStringList lines = InformationReportLines(f.ctx, HardwareInformation{});
        QCOMPARE(lines.size(), 2 + 13 + 1 + 2 + 7 + 1 + 2 + 7);
        QCOMPARE(lines.mid(0, 3),
                 (QStringList{"MCU Information:", "------------------------", " MCU Support Level:     FULL"}));
        QCOMPARE(lines.at(15), QStringLiteral(" "));
        QCOMPARE(lines.at(16), QStringLiteral("Application Information:"));
        QCOMPARE(lines.at(17), QString(24, u'-'));
        QCOMPARE(lines.at(26), QStringLiteral("Hardware Information:"));
        // Every value starts at column 24, counting the leading blank.
        for (const QString& line : lines) {
            if (line.startsWith(u' ') && line.size() > 1) {
                const QString value = line.mid(24);
                QVERIFY2(line.at(23) == u' ' && !value.isEmpty() && (value == " " || value.at(0) != u' '),
                         qPrintable(line));
            }
        }
        QCOMPARE(ValueOf(lines, "Microcontroller:"), QStringLiteral("16F877A"));
        QCOMPARE(ValueOf(lines, "Words of FLASH:"), QStringLiteral("8192"));
        QCOMPARE(ValueOf(lines, "Bytes of EE Data:"), QStringLiteral("256"));
        QCOMPARE(ValueOf(lines, "Words of Cal. Data:"), QStringLiteral("NONE"));
        QCOMPARE(ValueOf(lines, "Opcode Width:"), QStringLiteral("14bit"));
        QCOMPARE(ValueOf(lines, "Power First:"), QStringLiteral("VDD"));
        QCOMPARE(ValueOf(lines, "Power Off First:"), QStringLiteral("VPP"));
        QCOMPARE(ValueOf(lines, "Software Version:"), QStringLiteral("Version 2.8.0"));
        QCOMPARE(ValueOf(lines, "Table Date:"), QStringLiteral("2026-12-01"));
        QCOMPARE(ValueOf(lines, "Current Template:"), QStringLiteral("P16F87XA"));
        QCOMPARE(ValueOf(lines, "Buffer Checksum:"), QStringLiteral("$0000F800"));
        // Before the box has been reached the hardware lines show empty texts.
        QCOMPARE(ValueOf(lines, "Hardware Version:"), QStringLiteral(" "));
        QCOMPARE(ValueOf(lines, "MOD #3, Dual VPP:"), QStringLiteral("No"));
        QCOMPARE(ValueOf(lines, "Serial Number:"), QStringLiteral(" "));
    }

    void CalibrationBackupAndNoEe()
    {
        ImageFixture f;
        f.LoadDevice("12F508"); // CAL 1 with BCAL: two words kept, backup at 516
        const QStringList lines = InformationReportLines(f.ctx, HardwareInformation{});
        QCOMPARE(ValueOf(lines, "Words of Cal. Data:"), QStringLiteral("1"));
        QCOMPARE(ValueOf(lines, "Cal. Backup Location:"), QStringLiteral("0x0204"));
        QCOMPARE(ValueOf(lines, "Bytes of EE Data:"), QStringLiteral("NONE"));
        QCOMPARE(ValueOf(lines, "Opcode Width:"), QStringLiteral("12bit"));
        QCOMPARE(ValueOf(lines, "MCU Support Level:"), QStringLiteral("FULL"));

        f.LoadDevice("16C57"); // an EPROM part with Beta support
        const QStringList eprom = InformationReportLines(f.ctx, HardwareInformation{});
        QCOMPARE(ValueOf(eprom, "Words of EPROM:"), QStringLiteral("2048"));
        QCOMPARE(ValueOf(eprom, "MCU Support Level:"), QStringLiteral("Beta"));
    }

    void SerialNumberingMode_data()
    {
        QTest::addColumn<QList<int>>("options"); // 37, 38, 67
        QTest::addColumn<QString>("mode");
        QTest::newRow("off") << QList<int>{0, 1, 1} << "Disabled";
        QTest::newRow("manual") << QList<int>{1, 0, 0} << "Manual";
        QTest::newRow("auto") << QList<int>{1, 0, 1} << "Auto";
        QTest::newRow("sqtp") << QList<int>{1, 1, 0} << "SQTP File";
    }
    void SerialNumberingMode()
    {
        QFETCH(QList<int>, options);
        QFETCH(QString, mode);
        ImageFixture f;
        f.LoadDevice("16F877A");
        f.ctx.Options().SetValue(37, quint8(options[0]));
        f.ctx.Options().SetValue(38, quint8(options[1]));
        f.ctx.Options().SetValue(67, quint8(options[2]));
        QCOMPARE(ValueOf(InformationReportLines(f.ctx, HardwareInformation{}), "Serial Numbering Mode:"), mode);
    }

    // The operations come from the "0" template file when it has the device's section, else from
    // the "1" file.
    void TemplateFileInUse()
    {
        QTemporaryDir dir;
        QVERIFY(QFile::copy(TestPaths::ShippedData() + "PXMCU.TBL", dir.filePath("PXMCU.TBL")));
        auto write = [&](const QString& name, const QByteArray& text) {
            QFile file(dir.filePath(name));
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write(text);
        };
        write("PX2800.PXT", "[PRAXON]\r\nVERSION=280\r\n[P16F87XA]\r\nop=0\r\n");
        write("PX2801.PXT", "[PRAXON]\r\nVERSION=280\r\n[P18FXX2]\r\nop=0\r\n");
        ScriptedOperator op;
        AppContext ctx(op, dir.path());
        BuildDeviceList(ctx);
        for (const auto& [mcu, file] : {std::pair{"16F877A", "PX2800.PXT"}, std::pair{"18F252", "PX2801.PXT"}}) {
            QVERIFY(SelectDeviceByName(ctx, mcu));
            LoadDeviceProfile(ctx);
            QCOMPARE(ValueOf(InformationReportLines(ctx, HardwareInformation{}), "Template File:"), QString(file));
        }
    }

    void ShownOnlyAfterStartUp()
    {
        ImageFixture f;
        f.LoadDevice("16F877A");
        f.ctx.File().hexPath = "/boards/b.hex";
        BuildInformationReport(f.ctx);
        QVERIFY(f.ctx.Window().InformationText().isEmpty());
        f.ctx.Flags().ProgramReady = true;
        f.ctx.Window().SetFuseSummaryText("FUSES");
        BuildInformationReport(f.ctx);
        QVERIFY(f.ctx.Window().InformationText().startsWith("MCU Information:\n"));
        QCOMPARE(f.ctx.Image().Display().InformationCaption(), QStringLiteral("Information - /boards/b.hex"));
        QCOMPARE(f.ctx.Image().Display().InformationText(), "FUSES\n" + f.ctx.Window().InformationText());
    }
};

QTEST_GUILESS_MAIN(TestInformationReport)
#include "TestInformationReport.moc"
