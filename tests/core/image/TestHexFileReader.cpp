#include "ImageFixture.h"
#include "core/commands/HexFileReader.h"
#include "core/util/ErrorOut.h"

#include <QDir>
#include <QTemporaryDir>

namespace {
QString ReaderCases()
{
    return TestPaths::Fixtures() + QStringLiteral("hex/reader/");
}

// Reads the file and returns the ErrorOut message (its line breaks written " | "), or "none".
QString ReadOutcome(AppContext& ctx, const QString& path)
{
    try {
        ReadHexFile(ctx, path);
    } catch (const ErrorOut& e) {
        return QString(e.Message()).replace(u'\r', QStringLiteral(" | "));
    }
    return QStringLiteral("none");
}

bool IsSetup(const QString& verb)
{
    return verb == "mcu" || verb == "option" || verb == "cmdline";
}
} // namespace

class TestHexFileReader : public QObject
{
    Q_OBJECT
private slots:
    // Every golden case: NAME.hex is read with the setup of NAME.expect, whose other lines are
    // checked against the image, the load status, the profile and the log.
    void GoldenCases_data()
    {
        QTest::addColumn<QString>("name");
        const QStringList names = QDir(ReaderCases()).entryList({"*.expect"}, QDir::Files, QDir::Name);
        QVERIFY(names.size() >= 20);
        for (const QString& file : names) {
            const QString name = file.chopped(7);
            QTest::newRow(qPrintable(name)) << name;
        }
    }
    void GoldenCases()
    {
        QFETCH(QString, name);
        ImageFixture f;
        const QList<CaseLine> lines = ReadCaseFile(ReaderCases() + name + ".expect");
        QString expectedError;
        for (const CaseLine& c : lines) {
            if (IsSetup(c.verb))
                f.Apply(c);
            else if (c.verb == "error")
                expectedError = c.rest;
        }
        QVERIFY2(!expectedError.isEmpty(), "every case names its outcome");
        QCOMPARE(ReadOutcome(f.ctx, ReaderCases() + name + ".hex"), expectedError);
        QCOMPARE(f.ctx.Flags().NoValidFile, expectedError != "none");
        for (const CaseLine& c : lines) {
            if (!IsSetup(c.verb) && c.verb != "error")
                f.Check(c);
        }
    }

    void LogLayout()
    {
        ImageFixture f;
        f.ctx.File().mcuName = "16F877A";
        const QString path = ReaderCases() + "xx_configuration_word.hex";
        f.ctx.File().controlPath = "/nonexistent/board.pxc";
        QCOMPARE(ReadOutcome(f.ctx, path), QStringLiteral("none"));
        const QStringList log = f.ctx.History().DisplayText();
        // The opening lines, exactly.
        const qsizetype at = log.indexOf("Using Control File: ");
        QVERIFY(at > 0);
        QCOMPARE(log.mid(at - 1, 7), (QStringList{"  ", "Using Control File: ", "Control File Missing:",
                                                  "  /nonexistent/board.pxc", "Opening HEX File: ", "  " + path,
                                                  QString("  Assuming HEX format: ").leftJustified(40) + "INHX8M"}));
        // Values are appended at column 40 in the line's own style.
        const qsizetype fuse = log.indexOf(QString("  Found Fuse Record (5x/xx): ").leftJustified(40) + "@: 0x400E");
        QVERIFY(fuse > 0);
        QCOMPARE(f.ctx.History().DisplayLine(int(fuse)).background,
                 ColoursOf(HistoryStyle::FileInformation).background);
        QCOMPARE(f.ctx.Window().Title(), "Praxon - " + path);
    }

    // A file far larger than any device's HEX file is refused before it is read: a sparse file
    // costs no disk, and reading it would take the whole limit's memory and time.
    void HugeFileRefusedUnread()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("huge.hex");
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        QVERIFY(file.resize(qint64(3) << 30));
        file.close();
        ImageFixture f;
        f.ctx.File().mcuName = "16F877A";
        QElapsedTimer timer;
        timer.start();
        const QString outcome = ReadOutcome(f.ctx, path);
        QVERIFY2(outcome.startsWith("Error in HEX file. | The file is 3221225472 bytes long"), qPrintable(outcome));
        QVERIFY(timer.elapsed() < 2000);
        QVERIFY(f.ctx.Flags().NoValidFile);
        QVERIFY(f.Log().contains("Error in HEX file."));
    }

    void CompletedReadRecordsTimeStamp()
    {
        ImageFixture f;
        f.ctx.File().mcuName = "16F877A";
        f.ctx.Flags().NoValidFile = true;
        const QString path = ReaderCases() + "inhx8m.hex";
        QCOMPARE(ReadOutcome(f.ctx, path), QStringLiteral("none"));
        QVERIFY(!f.ctx.Flags().NoValidFile);
        QCOMPARE(f.ctx.File().hexTimeStamp, QFileInfo(path).lastModified().toMSecsSinceEpoch());
        QVERIFY(f.ctx.Flags().DeviceLoaded);
    }

    void MissingFileLeavesImageAndReports()
    {
        ImageFixture f;
        f.ctx.Image().CodeBuffer()[0] = 0x1234;
        f.ctx.File().hexTimeStamp = 99;
        QCOMPARE(ReadOutcome(f.ctx, "/nonexistent/x.hex"), QStringLiteral("none"));
        QCOMPARE(f.ctx.Image().CodeBuffer()[0], quint16(0x1234));
        QVERIFY(f.ctx.Flags().NoValidFile);
        QCOMPARE(f.ctx.File().hexTimeStamp, 0);
        QCOMPARE(f.op.Captions(), QStringList{"Required File Missing"});
        QCOMPARE(f.op.Texts(), QStringList{"   HEX File does not exist!:\r/nonexistent/x.hex"});
        QCOMPARE(f.op.sounds, QList<SoundKind>{SoundKind::Error});
        QVERIFY(f.Log().contains("HEX File does not exist!"));
    }

    // A second file clears code and EE but keeps the ID bytes of the previous one.
    void SecondReadClearsImageButNotIds()
    {
        ImageFixture f;
        f.ctx.File().mcuName = "18F252";
        QCOMPARE(ReadOutcome(f.ctx, ReaderCases() + "x18_regions.hex"), QStringLiteral("none"));
        QCOMPARE(f.ctx.Image().IdFileBytes()[1], quint16(2));
        QCOMPARE(ReadOutcome(f.ctx, ReaderCases() + "inhx8m.hex"), QStringLiteral("none"));
        QCOMPARE(f.ctx.Image().IdFileBytes()[1], quint16(2));
        QCOMPARE(f.ctx.Image().CodeBuffer()[0x10], quint16(0xFFFF));
        QCOMPARE(f.ctx.Image().EeFileBuffer()[0], quint16(0xFF));
        QVERIFY(f.ctx.Image().LoadStatus().Id18Missing);
    }
};

QTEST_GUILESS_MAIN(TestHexFileReader)
#include "TestHexFileReader.moc"
