// Unattended serial-numbering runs as a script starts them: praxon /X with a control file that
// turns serial numbering on, two sockets, against a praxon-boxsim process. A start address that
// is no location, or an SQTP file with a repeated or damaged record, ends the run with a failure
// status and no number on a chip; a device without EE data numbered "in EE" gets its numbers in
// code memory and passes.

#include "BoxSimProcess.h"
#include "PraxonProcess.h"
#include "TestPaths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Memory = QMap<quint32, quint8>; // byte address -> byte

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

// A simulator dump (Intel HEX with extended linear addresses) as bytes.
Memory ReadDump(const QString& path)
{
    Memory memory;
    quint32 base = 0;
    for (const QByteArray& raw : ReadFile(path).split('\n')) {
        const QByteArray b = QByteArray::fromHex(raw.trimmed().mid(1));
        if (b.size() < 5)
            continue;
        const quint32 at = (quint32(quint8(b[1])) << 8) | quint8(b[2]);
        if (b[3] == 0)
            for (int i = 0; i < quint8(b[0]); ++i)
                memory.insert(base + at + quint32(i), quint8(b[4 + i]));
        else if (b[3] == 4)
            base = ((quint32(quint8(b[4])) << 8) | quint8(b[5])) << 16;
    }
    return memory;
}

quint16 Word(const Memory& m, quint32 word)
{
    return quint16(m.value(2 * word, 0xFF) | (m.value(2 * word + 1, 0xFF) << 8));
}

// A record of bytes at a 16-bit address with its checksum.
QByteArray Record(quint16 address, quint8 type, const QByteArray& bytes)
{
    QByteArray raw;
    raw.append(char(bytes.size())).append(char(address >> 8)).append(char(address & 0xFF)).append(char(type));
    raw += bytes;
    int sum = 0;
    for (char c : raw)
        sum += quint8(c);
    raw.append(char(-sum & 0xFF));
    return ':' + raw.toHex().toUpper() + "\r\n";
}

// An SQTP record of number as two RETLW locations at word 0x200.
QByteArray SqtpRecord(quint16 number)
{
    QByteArray words;
    words.append(char(number & 0xFF)).append(char(0x34)).append(char(number >> 8)).append(char(0x34));
    return Record(0x400, 0, words);
}

struct Outcome {
    PraxonRun run;
    Memory a, b; // the chips of sockets A and B after the run
};

// Runs praxon /X on hex (copied as JOB.HEX) with control file control beside it, two chips of
// device in sockets A and B, in dir.
bool RunJob(QTemporaryDir& dir, const QString& device, const QByteArray& hex, const QByteArray& control, Outcome* out)
{
    const QString appDir = QFileInfo(QStringLiteral(PRAXON_EXECUTABLE)).absolutePath();
    QDir().mkpath(dir.filePath(QStringLiteral("settings/Kestrix")));
    if (!WriteFile(dir.filePath(QStringLiteral("settings/Kestrix/PX.ini")),
                   "[Software/Kestrix/PX" + appDir.toLocal8Bit() + "/ini/SOCKETS]\nA=1\nB=1\nC=0\nD=0\n") ||
        !WriteFile(dir.filePath(QStringLiteral("JOB.HEX")), hex) ||
        !WriteFile(dir.filePath(QStringLiteral("JOB.PXC")), control))
        return false;
    const QString dumps = dir.filePath(QStringLiteral("dumps"));
    BoxSimProcess sim(QStringLiteral(PRAXON_BOXSIM), {"--dump-dir", dumps, "--socket", "A=" + device, "--socket",
                                                      "B=" + device, "--socket", "C=empty", "--socket", "D=empty"});
    if (sim.Url().isEmpty())
        return false;
    out->run = RunPraxonHeadless(
        QStringLiteral(PRAXON_EXECUTABLE), {dir.filePath(QStringLiteral("JOB.HEX")), "/D" + device, "/X"},
        {{"PRAXON_SETTINGS_DIR", dir.filePath(QStringLiteral("settings"))}, {"PRAXON_COM1", sim.Url()}}, dir.path());
    sim.Stop();
    out->a = ReadDump(dumps + QStringLiteral("/socketA.hex"));
    out->b = ReadDump(dumps + QStringLiteral("/socketB.hex"));
    return !out->a.isEmpty() && !out->b.isEmpty();
}

QByteArray Sample877()
{
    return ReadFile(TestPaths::Samples() + QStringLiteral("BLINK877A.HEX"));
}

} // namespace

class TestSerialRunsEndToEnd : public QObject
{
    Q_OBJECT
private slots:
    void StartAddressThatIsNoLocation()
    {
        QTemporaryDir dir;
        Outcome out;
        QVERIFY(RunJob(dir, QStringLiteral("16F877A"), Sample877(),
                       "[OPTIONS]\r\nDEV=16F877A\r\nPrgSNOpt=1\r\n[SERIALNUM]\r\ncstartadd=-5\r\nlast_hex=41\r\n",
                       &out));
        QCOMPARE(out.run.status, 8);
        QVERIFY2(out.run.err.contains(QStringLiteral("Invalid Serial Number Start Address (cstartadd = -5)")),
                 qPrintable(out.run.err));
        QVERIFY(out.run.out.contains(QStringLiteral("0 Devices Passed, Total is now: 0")));
        // The counter did not move: no number was issued.
        QVERIFY(ReadFile(dir.filePath(QStringLiteral("JOB.PXC"))).contains("last_hex=41"));
    }

    void NoEeDataNumbersGoToCode()
    {
        // MOVLW 1, GOTO 1; configuration 0xFEA.
        const QByteArray hex = Record(0, 0, QByteArray::fromHex("010C010A")) +
                               Record(0x1FFE, 0, QByteArray::fromHex("EA0F")) + ":00000001FF\r\n";
        QTemporaryDir dir;
        Outcome out;
        QVERIFY(RunJob(dir, QStringLiteral("12F508"), hex,
                       "[OPTIONS]\r\nDEV=12F508\r\nPrgSNOpt=1\r\n[SERIALNUM]\r\nCodespace=0\r\nlength=2\r\n"
                       "cstartadd=16\r\nestartadd=0\r\nlast_hex=1233\r\n",
                       &out));
        QVERIFY2(out.run.status == 0, qPrintable(out.run.out.right(3000) + out.run.err));
        QVERIFY(out.run.out.contains(QStringLiteral("2 Devices Passed, Total is now: 2")));
        // RETLW of each byte, least significant first, at word 0x10.
        QCOMPARE(Word(out.a, 0x10), quint16(0x834));
        QCOMPARE(Word(out.a, 0x11), quint16(0x812));
        QCOMPARE(Word(out.b, 0x10), quint16(0x835));
        QCOMPARE(Word(out.b, 0x11), quint16(0x812));
    }

    void DamagedSqtpFileIsRefused_data()
    {
        QTest::addColumn<QByteArray>("lot");
        QTest::addColumn<QString>("why");
        const QByteArray head = Record(0, 4, QByteArray(2, 0));
        const QByteArray end = ":00000001FF\r\n";
        QTest::newRow("one record three times")
            << QByteArray(head + SqtpRecord(0x1000) + SqtpRecord(0x1000) + SqtpRecord(0x1000) + end)
            << "at line 3: serial number 1000 is also in line 2";
        QByteArray changed = SqtpRecord(0x1001);
        changed[14] = '1'; // 1001 now reads 1101 against the old checksum
        QTest::newRow("digits against the checksum")
            << QByteArray(head + changed + SqtpRecord(0x1002) + end) << "at line 2: the record's checksum";
    }
    void DamagedSqtpFileIsRefused()
    {
        QFETCH(QByteArray, lot);
        QFETCH(QString, why);
        QTemporaryDir dir;
        const QString lotPath = dir.filePath(QStringLiteral("lot.num"));
        QVERIFY(WriteFile(lotPath, lot));
        Outcome out;
        QVERIFY(RunJob(
            dir, QStringLiteral("16F877A"), Sample877(),
            "[OPTIONS]\r\nDEV=16F877A\r\nPrgSNOpt=1\r\nUseSQTP=1\r\n[SERIALNUM]\r\nSQTPF=" + lotPath.toLocal8Bit() +
                "\r\nLOGF=" + dir.filePath(QStringLiteral("lot.PXL")).toLocal8Bit() + "\r\n",
            &out));
        QVERIFY2(out.run.err.contains(why), qPrintable(out.run.out.right(2000) + out.run.err));
        // Refused while the options are read: the run does not start and the exit status says so.
        QVERIFY(out.run.status > 0);
        QVERIFY(out.run.out.contains(QStringLiteral(" Error with SQTP Settings")));
        // Nothing consumed, nothing logged, no number on either chip.
        QCOMPARE(ReadFile(lotPath), lot);
        const QByteArray log = ReadFile(dir.filePath(QStringLiteral("lot.PXL")));
        QVERIFY(!log.contains("PASSED") && !log.contains("FAILED"));
        for (const Memory* chip : {&out.a, &out.b})
            for (quint32 word : {0x200u, 0x201u})
                QVERIFY((Word(*chip, word) & 0xFF00) != 0x3400);
    }
};

QTEST_GUILESS_MAIN(TestSerialRunsEndToEnd)
#include "TestSerialRunsEndToEnd.moc"
