#include "ImageFixture.h"
#include "core/commands/HexFileReader.h"
#include "core/commands/LoadReconciliation.h"
#include "core/util/ErrorOut.h"

#include <QTemporaryDir>

namespace {
QString Record(quint32 address, const QList<int>& bytes)
{
    QList<int> all{int(bytes.size()), int(address >> 8) & 0xFF, int(address) & 0xFF, 0};
    all += bytes;
    int sum = 0;
    QString line = ":";
    for (int b : all) {
        line += HexWord(quint64(b), 2);
        sum += b;
    }
    return line + HexWord(quint64((0x100 - (sum & 0xFF)) & 0xFF), 2);
}

struct Bench : ImageFixture {
    QTemporaryDir dir;

    // Writes the records as a HEX file (and the control file when given), reads it for mcu and
    // reconciles.
    void Open(const QString& mcu, const QStringList& records, const QByteArray& control = {})
    {
        const QString hex = dir.filePath("board.hex");
        QFile file(hex);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write((records.join("\r\n") + "\r\n:00000001FF\r\n").toLatin1());
        file.close();
        ctx.File().hexPath = hex;
        ctx.File().controlPath = dir.filePath("board.pxc");
        if (!control.isEmpty()) {
            QFile pxc(ctx.File().controlPath);
            QVERIFY(pxc.open(QIODevice::WriteOnly));
            pxc.write(control);
        }
        ctx.File().mcuName = mcu;
        try {
            ReadHexFile(ctx, hex);
        } catch (const ErrorOut&) {
        }
        ReconcileLoad(ctx);
    }
};
} // namespace

class TestLoadReconciliation : public QObject
{
    Q_OBJECT
private slots:
    void NoFileWarnsAndStillRefreshes()
    {
        Bench b;
        b.LoadDevice("16F877A");
        b.ctx.Options().SetValue(32, true);
        ReconcileLoad(b.ctx);
        QVERIFY(b.Log().contains("WARNING: HEX file not specified."));
        QVERIFY(b.Log().contains("Please open a HEX file before proceeding."));
        QCOMPARE(b.op.Texts(),
                 QStringList{"WARNING: HEX file not specified.\rPlease open a HEX file before proceeding."});
        QCOMPARE(b.op.boxes.first().caption, QStringLiteral("Praxon MCU Programmer"));
        QCOMPARE(b.op.boxes.first().icon, BoxIcon::None);
        // The refresh ran on the blank image: IDs normalised, checksum logged.
        QCOMPARE(b.ctx.Image().IdWords()[0], quint16(0xFFFF));
        // Blank 14-bit words, summed under the template's code word mask 0x3FFF.
        QVERIFY2(b.Log().contains("Checksum Calculated: $" + HexWord(8192 * 0x3FFF, 8)),
                 qPrintable(b.Log().join("\n")));
    }

    void FailedReadWarnsAsError()
    {
        Bench b;
        b.Open("16F877A", {":04000000052800"}); // short line
        QVERIFY(b.ctx.Flags().NoValidFile);
        QVERIFY(b.Log().contains("WARNING: Error with specified file."));
        QCOMPARE(
            b.op.Texts().last(),
            QStringLiteral("WARNING: Error with specified file.\rPlease open a valid HEX file before proceeding."));
        QVERIFY(!b.Log().contains("Loaded ID Data (5x/xx) From HEX File"));
    }

    void WidthAgainstCore_data()
    {
        QTest::addColumn<QString>("mcu");
        QTest::addColumn<QStringList>("records");
        QTest::addColumn<QString>("error");
        QTest::newRow("12-bit code on a 14-bit device") << "16F877A" << QStringList{Record(0, {0x25, 0x00, 0xFE, 0x0C})}
                                                        << "ERROR: 5x opcodes not compatible with MCU";
        QTest::newRow("14-bit code on an 18X device")
            << "18F252" << QStringList{Record(0x20, {0x05, 0x28})} << "ERROR: 18x opcodes not found in loaded code";
        QTest::newRow("14-bit code on a 12-bit device")
            << "12F508" << QStringList{Record(0, {0x05, 0x28})} << "ERROR: xx opcodes not compatible with MCU";
        QTest::newRow("18X code on a 14-bit device") << "16F877A" << QStringList{Record(0, {0x05, 0xEF, 0x00, 0xF0})}
                                                     << "ERROR: 18x opcodes not compatible with MCU";
    }
    void WidthAgainstCore()
    {
        QFETCH(QString, mcu);
        QFETCH(QStringList, records);
        QFETCH(QString, error);
        Bench b;
        b.Open(mcu, records);
        QVERIFY2(b.Log().contains(error), qPrintable(b.Log().join('\n')));
        QVERIFY(!b.ctx.Flags().NoValidFile); // the file is still loaded
    }

    void XxConfigurationWord()
    {
        Bench missing;
        missing.Open("16F877A", {Record(0, {0x05, 0x28})});
        QVERIFY(missing.Log().contains("WARNING: xx FUSE Record missing"));
        QVERIFY(missing.Log().contains("Please verify Configuration Word Options"));

        Bench blank;
        blank.Open("16F877A", {Record(0, {0x05, 0x28}), Record(0x400E, {0xFF, 0x3F})});
        QVERIFY(blank.Log().contains("WARNING: xx FUSE Record is Blank"));

        Bench found;
        found.Open("16F877A", {Record(0, {0x05, 0x28}), Record(0x400E, {0x21, 0x3F})});
        QVERIFY(found.Log().contains("Loaded FUSE Data (xx) From HEX File 0x3F21"));
        // Stored as composed: bits outside every field become 1.
        QCOMPARE(found.ctx.Image().ConfigWords()[0], quint16(0x3F31));
    }

    void X5ConfigurationWordAt2007()
    {
        Bench b;
        b.Open("12F508", {Record(0, {0x25, 0x00}), Record(0x400E, {0xEA, 0x0F})});
        QCOMPARE(b.ctx.Profile().cfgLoc, 0x2007);
        QVERIFY(b.Log().contains("Loaded FUSE Data (5x) From HEX File 0x0FEA"));
        QCOMPARE(b.ctx.Image().ConfigWords()[0], quint16(0x0FEA));
    }

    void DataFromTheFile()
    {
        Bench b;
        b.ctx.Options().SetValue(69, true);
        b.Open("16F877A", {Record(0, {0x05, 0x28}), Record(0x4000, {1, 0, 2, 0, 3, 0, 0x14, 0}),
                           Record(0x4200, {0x50, 0, 0x78, 0})});
        QCOMPARE(b.ctx.Image().IdWords()[3], quint16(0xFF84));
        QCOMPARE(b.ctx.Image().EeBuffer()[1], quint16(0x78));
        QVERIFY(b.Log().contains("Loaded EEData (5x/xx) From HEX File"));
        QVERIFY(b.Log().contains("Loaded ID Data (5x/xx) From HEX File"));
        QCOMPARE(b.ctx.Image().Display().IdText(ImageDisplayState::IdHex4), QStringLiteral("1234"));

        Bench x18;
        x18.Open("18F252", {":020000040020DA", Record(0, {1, 2, 0x13}), ":0200000400F00A", Record(0, {0x12, 0x34})});
        QCOMPARE(x18.ctx.Image().IdWords()[2], quint16(0xF93)); // (0x13 AND 7F) OR F80
        QCOMPARE(x18.ctx.Image().EeBuffer()[1], quint16(0x34));
        QVERIFY(x18.Log().contains("WARNING: 18x FUSE Record missing"));
        QVERIFY(x18.Log().contains("Loaded ID Data (18x) From HEX File"));
    }

    void OverridesFromControlFile()
    {
        Bench b;
        for (int option : {53, 70, 71})
            b.ctx.Options().SetValue(option, true);
        b.Open("16F877A", {Record(0x400E, {0x72, 0x3F}), Record(0x4200, {0x50, 0})},
               "[EEOVERRIDE]\r\n1=0001000200030004000500060007000800090010001100120013001400150016\r\n"
               "[FUSEOVERRIDE]\r\nCFG0=16369\r\n[IDOVERRIDE]\r\nID1=3\r\n");
        MemoryImage& image = b.ctx.Image();
        QCOMPARE(image.EeBuffer()[0], quint16(0xFFFF)); // key 0 missing: 16 words FFFF
        QCOMPARE(image.EeBuffer()[16], quint16(0x0001));
        QCOMPARE(image.EeBuffer()[31], quint16(0x0016));
        QCOMPARE(image.ConfigWords()[0], quint16(0x3FF1)); // 16369, already composed
        QCOMPARE(image.IdWords()[0], quint16(0xFF8F));     // default 15
        QCOMPARE(image.IdWords()[1], quint16(0xFF83));
        const QStringList log = b.Log();
        QVERIFY(log.contains("Option Ignore - FUSE Record (xx) 0x3F72"));
        QVERIFY(log.contains("Loaded EEData From Saved Options"));
        QVERIFY(log.contains("Loaded FUSE Data From Saved Options"));
        QVERIFY(log.contains("Loaded ID Data From Saved Options"));
        QVERIFY(!log.contains("Loaded EEData (5x/xx) From HEX File"));
    }

    void OverridesWithoutSections()
    {
        Bench b;
        b.ctx.Options().SetValue(53, true);
        b.ctx.Options().SetValue(70, true);
        b.Open("16F877A", {Record(0x4200, {0x50, 0})});
        QCOMPARE(b.ctx.Image().EeBuffer()[0], quint16(0xFFFF));
        QCOMPARE(b.ctx.Image().EeBuffer()[4095], quint16(0xFFFF));
        for (int i = 0; i < 8; ++i)
            QCOMPARE(b.ctx.Image().IdWords()[i], quint16(0xFF80 | 0x0F));
    }

    void CalibrationAndExtraCalibration()
    {
        Bench b;
        b.LoadDevice("12F675");
        // OSCCAL is the last word of the part, 0x3FF (byte 0x7FE), right after ROM.
        b.Open("12F675", {Record(0x07FE, {0x44, 0x34})});
        for (int socket = 0; socket < 4; ++socket) {
            QCOMPARE(b.ctx.Image().Calibration(socket).words[0], quint16(0x3444));
            // A device load starts every socket on the first choice.
            QCOMPARE(b.ctx.Image().Calibration(socket).xcalChoice, 0);
            QCOMPARE(b.ctx.Image().Calibration(socket).xcalValue, quint16(0x0FFF));
        }
        // A socket's extra-calibration bits are matched against the choices on reconciliation.
        b.ctx.Image().Calibration(3).xcalValue = 0x2000;
        ReconcileLoad(b.ctx);
        QCOMPARE(b.ctx.Image().Calibration(3).xcalChoice, 2);
        QCOMPARE(b.ctx.Image().Calibration(0).xcalChoice, 0);
    }
};

QTEST_GUILESS_MAIN(TestLoadReconciliation)
#include "TestLoadReconciliation.moc"
