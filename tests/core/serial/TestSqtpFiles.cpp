// SQTP files and the serial-number log: reading the header (extended and segment addresses),
// taking numbers (length errors, used and extended records passed over, exhaustion), the log's
// line formats, the file lock between two opens, and the Retry boxes, which unattended runs answer
// with Cancel.
#include "ScriptedOperator.h"
#include "core/app/AutoAnswerOperator.h"
#include "core/app/Engine.h"
#include "core/context/AppContext.h"
#include "core/link/ProgrammerLink.h"
#include "core/model/OptionIndex.h"
#include "core/serial/LockedFile.h"
#include "core/serial/SerialNumberLog.h"
#include "core/serial/SqtpRecords.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

namespace {

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Serial numbering on an engine without a programmer, for the file steps.
struct SerialFixture {
    SerialFixture() : ctx(op, dir.path() + u'/'), link(ctx), engine(ctx, link)
    {
        ctx.SetLink(&link);
        link.Port().SetPauseInterval(1);
        engine.Install();
        SerialNumberSettings& s = ctx.SerialSettings();
        s.sqtpInUse = s.sqtpReady = true;
        s.sqtpFile = dir.filePath(QStringLiteral("lot.num"));
        s.logFile = SerialNumberLog::PathFor(s.sqtpFile);
    }
    QTemporaryDir dir;
    ScriptedOperator op;
    AppContext ctx;
    ProgrammerLink link;
    Engine engine;
};

const QByteArray TwoNumbers = ":020000040000FA\r\n:040000000134023491\r\n:020000040000FA\r\n"
                              ":04000000033404348D\r\n:00000001FF\r\n";

} // namespace

class TestSqtpFiles : public QObject
{
    Q_OBJECT
private slots:
    void Header_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<qint64>("address");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("error");
        QTest::newRow("extended 0, byte 7FF0")
            << QByteArray(":020000040000FA\r\n:047FF000013402341F\r\n") << qint64(0x3FF8) << 2 << QString();
        QTest::newRow("segment 0100") << QByteArray(":020000020100FB\r\n:0200100001346C\r\n") << qint64(0x808) << 1
                                      << QString();
        // Byte addresses from 0x200000 on are not halved.
        QTest::newRow("extended 0020") << QByteArray(":020000040020DA\r\n:020000000134CB\r\n") << qint64(0x200000) << 1
                                       << QString();
        QTest::newRow("used record passed over")
            << QByteArray(";020010000134BB\r\n:0200200001349B\r\n") << qint64(0x10) << 1 << QString();
        QTest::newRow("bad type") << QByteArray(":020000030000FB\r\n:02") << qint64(0) << 0
                                  << "Bad Record Type in SQTP file";
        QTest::newRow("bad count") << QByteArray(":G20000000134CB\r\n") << qint64(0) << 0 << "Error in SQTP file";
        QTest::newRow("bad segment") << QByteArray(":0200000201X0FB\r\n") << qint64(0) << 0
                                     << "Bad Segment Address in SQTP file.";
        QTest::newRow("bad extended") << QByteArray(":02000004Z000FA\r\n") << qint64(0) << 0
                                      << "Bad Extended Address in SQTP file.";
        QTest::newRow("bad address") << QByteArray(":02QQ00000134CB\r\n") << qint64(0) << 0
                                     << "Bad Address in SQTP file.";
        QTest::newRow("only the end") << QByteArray(":00000001FF\r\n") << qint64(0) << 0 << SqtpRecords::Exhausted;
    }
    void Header()
    {
        QFETCH(QByteArray, file);
        QFETCH(qint64, address);
        QFETCH(int, length);
        QFETCH(QString, error);
        SqtpRecords records(file);
        SqtpRecords::Header header;
        QString why;
        QCOMPARE(records.ReadHeader(&header, &why), error.isEmpty());
        QCOMPARE(why, error);
        if (error.isEmpty()) {
            QCOMPARE(header.address, address);
            QCOMPARE(header.length, length);
        }
    }

    void Take_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("length");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("error");
        QTest::newRow("most significant first")
            << QByteArray(":060000002F3401340034FF\r\n") << 3 << "00012F" << QString();
        QTest::newRow("extended record between") << TwoNumbers << 2 << "0201" << QString();
        QTest::newRow("used records passed over")
            << QByteArray(";0400000001340234C1\r\n;02000004000\r\n:0400000003340434BD\r\n") << 2 << "0403" << QString();
        QTest::newRow("length error") << QByteArray(":0400000001340234C1\r\n") << 3 << "00"
                                      << "Serial Number Length Error: Expected [3] Found [2]";
        QTest::newRow("record too long") << QByteArray(":0400000001340234C1FF\r\n") << 2 << "00"
                                         << "SQTP file contains an invalid Serial Number or Address Length";
        QTest::newRow("no line end after the last")
            << QByteArray(":0400000001340234C1") << 2 << "00" << SqtpRecords::Exhausted;
        QTest::newRow("end record") << QByteArray(";0400000001340234C1\r\n:00000001FF\r\n") << 2 << "00"
                                    << SqtpRecords::Exhausted;
        QTest::newRow("bad type") << QByteArray(":0400000301340234C1\r\n") << 2 << "00"
                                  << "Bad Record Type in SQTP file";
    }
    void Take()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, length);
        QFETCH(QString, number);
        QFETCH(QString, error);
        SqtpRecords records(file);
        qint64 offset = 0;
        QString text;
        QString why;
        QCOMPARE(records.TakeNext(&offset, length, &text, &why), error.isEmpty());
        QCOMPARE(why, error);
        QCOMPARE(text, number);
    }

    // A damaged or repeating file is refused before any number is issued, naming the first bad
    // record's line.
    void Validate_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QString>("error");
        const QByteArray one = ":040000000134023491\r\n";
        const QByteArray two = ":04000000033404348D\r\n";
        const QByteArray end = ":00000001FF\r\n";
        QTest::newRow("sound, used records included") << QByteArray(";" + one.mid(1) + two + end) << QString();
        QTest::newRow("one record three times")
            << QByteArray(":020000040000FA\r\n" + one + one + one + end)
            << "Error in SQTP file at line 3: serial number 0201 is also in line 2; no number may be issued twice.";
        // The first of two is already on a part: the second would number another part the same.
        QTest::newRow("repeats a used record")
            << QByteArray(";" + one.mid(1) + two + one + end)
            << "Error in SQTP file at line 3: serial number 0201 is also in line 1; no number may be issued twice.";
        QTest::newRow("two used records of one number")
            << QByteArray(";" + one.mid(1) + ";" + one.mid(1) + two + end) << QString();
        // One digit changed (02 -> 03), checksum left: the number is no longer the one written.
        QTest::newRow("digits against the checksum")
            << QByteArray(one +
                          ":0400000001340334"
                          "91\r\n" +
                          end)
            << "Error in SQTP file at line 2: the record's checksum does not match its digits.";
        QTest::newRow("lone carriage returns count as lines") << QByteArray(":040000000134023491\r:04000000013402349\r")
                                                              << "Error in SQTP file at line 2: the record is not a "
                                                                 "well-formed HEX record.";
        QTest::newRow("not hexadecimal") << QByteArray(one + two + ":04000000033404X48D\r\n" + end)
                                         << "Error in SQTP file at line 3: the record is not a well-formed HEX record.";
        QTest::newRow("shorter than its count") << QByteArray(":060000000134023489\r\n" + end)
                                                << "Error in SQTP file at line 1: the record's length does not match "
                                                   "its byte count.";
        QTest::newRow("type 03") << QByteArray(":00000003FD\r\n" + one + end)
                                 << "Error in SQTP file at line 1: record type 03 is neither data nor an address.";
        // Nothing past the end of the numbers is ever issued.
        QTest::newRow("after the end record") << QByteArray(one + end + one + "junk\r\n") << QString();
    }
    void Validate()
    {
        QFETCH(QByteArray, file);
        QFETCH(QString, error);
        QString why;
        QCOMPARE(SqtpRecords(file).Validate(&why), error.isEmpty());
        QCOMPARE(why, error);
    }

    void LogFormats()
    {
        const QDateTime at(QDate(2004, 5, 17), QTime(14, 3, 22, 123));
        QCOMPARE(SerialNumberLog::HeaderTime(at), QStringLiteral("Mon, 05/17/2004,14:03:22:123, "));
        QCOMPARE(SerialNumberLog::Line(QStringLiteral("00012F"), true, SerialNumberLog::LineTime(at),
                                       QStringLiteral("1234")),
                 QByteArray("00012F,PASSED,Mon,05/17/2004,14:03:22:123,1234\r\n"));
        QCOMPARE(SerialNumberLog::Line(QStringLiteral("01"), false, QStringLiteral("t,"), QStringLiteral("9")),
                 QByteArray("01,FAILED,t,9\r\n"));
        SerialNumberLog::Identity id{QStringLiteral("Version 2.8.0"), QStringLiteral("1.0"), QStringLiteral("1.18"),
                                     QStringLiteral("1234")};
        QCOMPARE(SerialNumberLog::Header(id, at),
                 QByteArray("; Praxon Serial Number LOG.\r\n;  Created Mon, 05/17/2004,14:03:22:123, \r\n"
                            ";  [SW: Version 2.8.0] [HWVER: 1.0] [FWVER: 1.18] [SN: 1234]\r\n"));
        QCOMPARE(SerialNumberLog::PathFor(QStringLiteral("/lots/may.2004.num")), QStringLiteral("/lots/may.2004.PXL"));
    }

    void TakingConsumesUnderTheLock()
    {
        SerialFixture f;
        WriteFile(f.ctx.SerialSettings().sqtpFile, TwoNumbers);
        SerialNumbering& serial = f.engine.Serial();
        QVERIFY(serial.CheckAndTakeNumbers(false));
        QCOMPARE(int(f.ctx.SerialSettings().length), 2);
        // A missing log is created with its header.
        QVERIFY(ReadFile(f.ctx.SerialSettings().logFile).startsWith("; Praxon Serial Number LOG.\r\n"));

        // While another open holds the lock, nothing is taken: the second failure asks, and the
        // default answer is Cancel.
        {
            LockedFile other;
            QCOMPARE(other.Open(f.ctx.SerialSettings().sqtpFile), LockedFile::Result::Opened);
            LockedFile second;
            QCOMPARE(second.Open(f.ctx.SerialSettings().sqtpFile), LockedFile::Result::Busy);
            f.engine.State().SelectedSockets = 0x40;
            QVERIFY(!serial.CheckAndTakeNumbers(true));
            QCOMPARE(f.op.Texts(), QStringList{QStringLiteral("Serial Number File Cannot Be accessed, Retry?")});
            QCOMPARE(ReadFile(f.ctx.SerialSettings().sqtpFile), TwoNumbers);
        }

        // Sockets A and C take the two numbers in file order; their records are marked used.
        f.engine.State().SelectedSockets = 0x44;
        QVERIFY(serial.CheckAndTakeNumbers(true));
        QCOMPARE(serial.State().sqtpTexts[0], QStringLiteral("0201"));
        QCOMPARE(serial.State().sqtpTexts[2], QStringLiteral("0403"));
        QVERIFY(serial.State().numberTaken[0] && serial.State().numberTaken[2] && !serial.State().numberTaken[1]);
        QByteArray used = TwoNumbers;
        used[used.indexOf(":0400000001")] = ';';
        used[used.indexOf(":0400000003")] = ';';
        QCOMPARE(ReadFile(f.ctx.SerialSettings().sqtpFile), used);

        // Both are logged once, socket A first, with one time stamp; neither reached a part.
        f.engine.State().PassingSockets = 0x44;
        serial.State().cycleSocketMask = 0x44;
        serial.AppendCycleToLog();
        serial.AppendCycleToLog();
        const QList<QByteArray> lines = ReadFile(f.ctx.SerialSettings().logFile).split('\n');
        QCOMPARE(lines.size(), 3 + 2 + 1);
        QVERIFY(lines[3].startsWith("0201,FAILED,"));
        QVERIFY(lines[4].startsWith("0403,FAILED,"));
        QCOMPARE(lines[3].mid(12), lines[4].mid(12));

        // A log that vanished before the append: the question is answered Cancel, the line stays
        // pending (and in the history) and the run fails; the next append writes it.
        QFile::rename(f.ctx.SerialSettings().logFile, f.dir.filePath(QStringLiteral("away.PXL")));
        serial.State().numberTaken[0] = true;
        f.op.Clear();
        serial.AppendCycleToLog();
        QVERIFY(f.op.Texts().first().startsWith(QStringLiteral("Can Not Locate Serial Number LOG File:\r\r")));
        QCOMPARE(serial.PendingLogLines().size(), 1);
        QVERIFY(f.link.Errors().Has(LinkErrorWord::TaskFailed));
        QVERIFY(f.ctx.History().DisplayText().last().startsWith(QStringLiteral(" Serial number not logged: 0201,")));
        QFile::rename(f.dir.filePath(QStringLiteral("away.PXL")), f.ctx.SerialSettings().logFile);
        serial.AppendCycleToLog();
        QVERIFY(serial.PendingLogLines().isEmpty());
        QCOMPARE(ReadFile(f.ctx.SerialSettings().logFile).count("0201,"), 2);
    }

    void ChoosingAFileValidatesIt()
    {
        SerialFixture f;
        const QString chosen = f.dir.filePath(QStringLiteral("batch7.num"));
        WriteFile(chosen, ":020000040000FA\r\n:047FF0000134023422\r\n");
        f.ctx.Options().SetValue(OptionIndex::SerialNumbering, true);
        f.ctx.Options().SetValue(OptionIndex::UseSqtp, true);
        f.op.QueueFile(chosen);
        f.engine.Serial().SelectSqtpFile();
        QCOMPARE(f.op.fileRequests.first().caption, QStringLiteral("Select Microchip SQTP File"));
        const SerialNumberSettings& s = f.ctx.SerialSettings();
        QCOMPARE(s.logFile, f.dir.filePath(QStringLiteral("batch7.PXL")));
        QVERIFY(s.sqtpReady);
        QCOMPARE(s.codeStartAddress, qint64(0x3FF8));
    }

    void RetryBoxesEndUnattendedRuns_data()
    {
        QTest::addColumn<bool>("sqtpMissing");
        QTest::addColumn<QString>("question");
        QTest::newRow("SQTP file") << true << "Can Not Locate SQTP File:\r\r";
        QTest::newRow("log file") << false << "Can Not Locate or Create Serial Number LOG File:\r\r";
    }
    void RetryBoxesEndUnattendedRuns()
    {
        QFETCH(bool, sqtpMissing);
        QFETCH(QString, question);
        SerialFixture f;
        AutoAnswerOperator unattended(nullptr);
        SerialNumberSettings& s = f.ctx.SerialSettings();
        if (!sqtpMissing) {
            WriteFile(s.sqtpFile, TwoNumbers);
            s.logFile = f.dir.filePath(QStringLiteral("no/such/dir/lot.PXL"));
        }
        MessageRequest asked;
        struct Recorder : OperatorInterface {
            AutoAnswerOperator& inner;
            MessageRequest& last;
            int count = 0;
            Recorder(AutoAnswerOperator& i, MessageRequest& l) : inner(i), last(l) {}
            BoxButton ShowMessage(const MessageRequest& r) override
            {
                last = r;
                ++count;
                return inner.ShowMessage(r);
            }
            void PlaySound(SoundKind) override {}
            QString ChooseOpenFile(const FileRequest& r) override { return inner.ChooseOpenFile(r); }
            QString ChooseSaveFile(const FileRequest& r) override { return inner.ChooseSaveFile(r); }
            bool AskText(const QString& c, const QString& p, QString& v) override { return inner.AskText(c, p, v); }
            bool ShowNotice(const NoticeRequest& r) override { return inner.ShowNotice(r); }
        } recorder(unattended, asked);
        f.ctx.SetOperator(recorder);
        QVERIFY(!f.engine.Serial().CheckAndTakeNumbers(false));
        QCOMPARE(recorder.count, 1);
        QVERIFY(asked.text.startsWith(question));
        QCOMPARE(asked.caption, QStringLiteral("File Error"));
        QCOMPARE(AutoAnswerOperator::AnswerFor(asked), CancelButton);
    }
};

QTEST_GUILESS_MAIN(TestSqtpFiles)
#include "TestSqtpFiles.moc"
