// An unattended production run as a script starts it: praxon /X on a HEX file that gpasm wrote,
// four sockets switched on, against a praxon-boxsim process; afterwards the simulated chips'
// memory dumps hold the file under the device's masks and the exit status is 0. A bad cell in
// socket C fails that socket alone and the run ends with the task-failed status.

#include "BoxSimProcess.h"
#include "PraxonProcess.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

namespace {

using Memory = QMap<quint32, quint8>; // byte address -> byte, as the HEX file gives them

bool ReadHex(const QString& path, Memory* memory)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    quint32 base = 0;
    for (const QByteArray& raw : file.readAll().split('\n')) {
        const QByteArray line = raw.trimmed();
        if (!line.startsWith(':'))
            continue;
        const QByteArray b = QByteArray::fromHex(line.mid(1));
        if (b.size() < 5)
            return false;
        const int n = quint8(b[0]);
        const quint32 at = (quint32(quint8(b[1])) << 8) | quint8(b[2]);
        if (b[3] == 0)
            for (int i = 0; i < n; ++i)
                memory->insert(base + at + quint32(i), quint8(b[4 + i]));
        else if (b[3] == 4)
            base = ((quint32(quint8(b[4])) << 8) | quint8(b[5])) << 16;
    }
    return true;
}

// Where each byte of the device's HEX file lives and which of its bits the chip keeps.
struct Layout {
    quint32 idStart, configStart, eeStart;
    quint8 codeHighMask;              // high byte of a code word (word-wide parts)
    QMap<quint32, quint8> configMask; // configuration bytes and the bits the device implements
    quint32 calibrationAddress = 0;   // byte address of a factory calibration word, 0 = none
};

bool IsId(const Layout& l, quint32 a)
{
    return a >= l.idStart && a < l.idStart + 8;
}

// An ID word keeps the file's low nibble (four-bit ID values, the factory setting); the device's
// ID mask sets bit 7 and the bits above.
quint8 Expected(const Layout& l, quint32 a, quint8 fileByte)
{
    return IsId(l, a) ? (fileByte & 0x0F) | 0x80 : fileByte;
}

quint8 MaskOf(const Layout& l, quint32 a, bool* compared)
{
    *compared = true;
    if (a >= l.configStart && a < l.configStart + 0x20) {
        *compared = l.configMask.contains(a);
        return l.configMask.value(a);
    }
    if (a >= l.eeStart)
        return (a & 1) && l.eeStart < 0xF00000 ? 0x00 : 0xFF;
    if (IsId(l, a))
        return l.idStart == 0x200000 || !(a & 1) ? 0x8F : 0x00;
    return (a & 1) && l.codeHighMask ? l.codeHighMask : 0xFF;
}

const char* const Sources[] = {
    // 16F877A: code, EE data, ID locations, configuration word.
    "        list p=16f877a\n        __CONFIG 0x3F72\n        __IDLOCS 0x1234\n        org 0\n"
    "start   movlw 0x55\n        movwf 0x20\n        goto start\n        org 0x2100\n"
    "        de 1,2,3,4\n        end\n",
    // 12F508: no EE; its oscillator calibration word lives in the last code word.
    "        list p=12f508\n        __CONFIG 0xFEA\n        __IDLOCS 0x1234\n        org 0\n"
    "start   movlw 0x55\n        movwf 0x10\n        goto start\n        end\n",
    // 12F675: EE and the calibration word at 0x3FF that the erase must not lose.
    "        list p=12f675\n        __CONFIG 0x3FC4\n        __IDLOCS 0x1234\n        org 0\n"
    "start   movlw 0x55\n        movwf 0x20\n        goto start\n        org 0x2100\n"
    "        de 1,2,3,4\n        end\n",
    // 18F452: byte-addressed code, eight ID bytes, EE and configuration bytes.
    "        list p=18f452\n        __CONFIG 0x300001, 0x22\n        __CONFIG 0x300002, 0x0F\n"
    "        __CONFIG 0x300003, 0x0E\n        __CONFIG 0x300006, 0x81\n        org 0\n"
    "start   movlw 0x55\n        movwf 0x80\n        bra start\n        org 0x200000\n"
    "        db 1,2,3,4,5,6,7,8\n        org 0xF00000\n        de 0x11,0x22,0x33,0x44\n        end\n",
    // 18F2550 and 18F4550 (32-byte write blocks): code at both ends of the 16K words, so the whole
    // program memory has to cross; ID bytes, EE data and configuration bytes.
    "        list p=18f2550\n        __CONFIG 0x300000, 0x24\n        __CONFIG 0x300001, 0x0E\n"
    "        __CONFIG 0x300003, 0x1E\n        __CONFIG 0x300006, 0x81\n        org 0\n"
    "start   movlw 0x55\n        movwf 0x80\n        bra start\n        org 0x7FF0\n"
    "        dw 0x1111,0x2222,0x3333,0x4444,0x5555,0x6666,0x7777,0x8888\n        org 0x200000\n"
    "        db 1,2,3,4,5,6,7,8\n        org 0xF00000\n        de 0x11,0x22,0x33,0x44\n        end\n",
    "        list p=18f4550\n        __CONFIG 0x300000, 0x24\n        __CONFIG 0x300001, 0x0E\n"
    "        __CONFIG 0x300003, 0x1E\n        __CONFIG 0x300006, 0x81\n        org 0\n"
    "start   movlw 0x55\n        movwf 0x80\n        bra start\n        org 0x7FF0\n"
    "        dw 0x1111,0x2222,0x3333,0x4444,0x5555,0x6666,0x7777,0x8888\n        org 0x200000\n"
    "        db 1,2,3,4,5,6,7,8\n        org 0xF00000\n        de 0x11,0x22,0x33,0x44\n        end\n",
};

} // namespace

class TestAutoRunEndToEnd : public QObject
{
    Q_OBJECT

    struct Outcome {
        PraxonRun run;
        QString dumps;
        QString hex;
    };

    // gpasm writes the HEX file; the simulator holds four chips of the device; praxon runs /X with
    // sockets A to D switched on. False with error set when a step fails; without gpasm, false
    // with error empty.
    bool RunDevice(QTemporaryDir& dir, const QString& device, const QString& source, const QStringList& simOptions,
                   Outcome* out, QString* error)
    {
        const QString gpasm = QStandardPaths::findExecutable(QStringLiteral("gpasm"));
        if (gpasm.isEmpty())
            return false;
        *error = QStringLiteral("cannot write the source, assemble it or start the simulator");
        const QString asmPath = dir.filePath(device + QStringLiteral(".asm"));
        QFile a(asmPath);
        if (!a.open(QIODevice::WriteOnly))
            return false;
        a.write(source.toLatin1());
        a.close();
        QProcess assembler;
        assembler.setWorkingDirectory(dir.path());
        assembler.start(gpasm, {"-a", "inhx32", asmPath});
        if (!assembler.waitForFinished(30000) || assembler.exitCode() != 0)
            return false;
        out->hex = dir.filePath(device + QStringLiteral(".hex"));

        // The workstation settings switch all four sockets on.
        const QString appDir = QFileInfo(QStringLiteral(PRAXON_EXECUTABLE)).absolutePath();
        QDir().mkpath(dir.filePath(QStringLiteral("settings/Kestrix")));
        QFile ini(dir.filePath(QStringLiteral("settings/Kestrix/PX.ini")));
        if (!ini.open(QIODevice::WriteOnly))
            return false;
        ini.write(("[Software/Kestrix/PX" + appDir.toLocal8Bit() + "/ini/SOCKETS]\nA=1\nB=1\nC=1\nD=1\n"));
        ini.close();

        out->dumps = dir.filePath(QStringLiteral("dumps"));
        QStringList options{"--dump-dir", out->dumps};
        for (const char* s : {"A", "B", "C", "D"})
            options << "--socket" << QString::fromLatin1(s) + u'=' + device;
        BoxSimProcess sim(QStringLiteral(PRAXON_BOXSIM), options + simOptions);
        if (sim.Url().isEmpty())
            return false;
        const QStringList arguments{out->hex, "/D" + device, "/X"};
        const QMap<QString, QString> environment{{"PRAXON_SETTINGS_DIR", dir.filePath(QStringLiteral("settings"))},
                                                 {"PRAXON_COM1", sim.Url()}};
        // The first start on a new file makes its control file with factory options and does not
        // program: the operator is to check the options first. The second start programs.
        const PraxonRun first = RunPraxonHeadless(QStringLiteral(PRAXON_EXECUTABLE), arguments, environment);
        if (first.status == 0 || !first.err.contains(QStringLiteral("A Control File did not exist")) ||
            !first.out.contains(QStringLiteral("Auto Run not started: the HEX file had no control file")) ||
            !QFileInfo::exists(dir.filePath(device + QStringLiteral(".PXC")))) {
            *error = QStringLiteral("first run: status %1\n%2").arg(first.status).arg(first.err);
            return false;
        }
        out->run = RunPraxonHeadless(QStringLiteral(PRAXON_EXECUTABLE), arguments, environment);
        sim.Stop();
        return true;
    }

    // Bytes of the file that the chip of socket does not hold (under the device's masks).
    static QStringList Differences(const Memory& file, const Memory& chip, const Layout& layout)
    {
        QStringList diffs;
        for (auto it = file.cbegin(); it != file.cend(); ++it) {
            bool compared = false;
            const quint8 mask = MaskOf(layout, it.key(), &compared);
            if (compared && (chip.value(it.key(), 0xFF) & mask) != (Expected(layout, it.key(), it.value()) & mask))
                diffs << QStringLiteral("%1: file %2 chip %3")
                             .arg(it.key(), 0, 16)
                             .arg(it.value(), 0, 16)
                             .arg(chip.value(it.key(), 0xFF), 0, 16);
        }
        return diffs;
    }

private slots:
    void fourSocketsHoldTheFile_data()
    {
        QTest::addColumn<QString>("device");
        QTest::addColumn<int>("source");
        QTest::addColumn<quint32>("calibration");
        QTest::newRow("16F877A") << QStringLiteral("16F877A") << 0 << quint32(0);
        QTest::newRow("12F508") << QStringLiteral("12F508") << 1 << quint32(0x1FF * 2);
        QTest::newRow("12F675") << QStringLiteral("12F675") << 2 << quint32(0x3FF * 2);
        QTest::newRow("18F452") << QStringLiteral("18F452") << 3 << quint32(0);
        QTest::newRow("18F2550") << QStringLiteral("18F2550") << 4 << quint32(0);
        QTest::newRow("18F4550") << QStringLiteral("18F4550") << 5 << quint32(0);
    }
    void fourSocketsHoldTheFile()
    {
        QFETCH(QString, device);
        QFETCH(int, source);
        QFETCH(quint32, calibration);
        QTemporaryDir dir;
        Outcome out;
        QString error;
        if (!RunDevice(dir, device, QString::fromLatin1(Sources[source]), {}, &out, &error)) {
            QVERIFY2(error.isEmpty(), qPrintable(error));
            QSKIP("gpasm is not installed");
        }
        QVERIFY2(out.run.status == 0, qPrintable(out.run.out.right(3000) + out.run.err));
        QVERIFY(out.run.out.contains(QStringLiteral("4 Devices Passed, Total is now: 4")));
        const bool is18 = device.startsWith(QStringLiteral("18"));
        const quint32 idStart = is18 ? 0x200000u : device == QStringLiteral("12F508") ? 0x400u : 0x4000u;
        Layout layout{idStart,
                      is18 ? 0x300000u : 0x400Eu,
                      is18 ? 0xF00000u : 0x4200u,
                      quint8(is18                                 ? 0
                             : device == QStringLiteral("12F508") ? 0x0F
                                                                  : 0x3F),
                      {},
                      calibration};
        if (device == QStringLiteral("16F877A"))
            layout.configMask = {{0x400E, 0xCF}, {0x400F, 0x2F}};
        else if (device == QStringLiteral("12F508"))
            layout.configMask = {{0x400E, 0x1F}};
        else if (device == QStringLiteral("12F675"))
            layout.configMask = {{0x400E, 0xFF}, {0x400F, 0x01}};
        else if (device.endsWith(QStringLiteral("550")))
            layout.configMask = {{0x300000, 0x3F}, {0x300001, 0xCF}, {0x300003, 0x1F}, {0x300006, 0xC5}};
        else
            layout.configMask = {{0x300001, 0x27}, {0x300002, 0x0F}, {0x300003, 0x0F}, {0x300006, 0x85}};
        Memory file;
        QVERIFY(ReadHex(out.hex, &file));
        for (const char* socket : {"A", "B", "C", "D"}) {
            Memory chip;
            QVERIFY(
                ReadHex(out.dumps + QStringLiteral("/socket") + QLatin1String(socket) + QStringLiteral(".hex"), &chip));
            const QStringList diffs = Differences(file, chip, layout);
            QVERIFY2(diffs.isEmpty(), qPrintable(QLatin1String(socket) + QStringLiteral(": ") + diffs.join(u',')));
            if (calibration) {
                // The factory calibration word is still there after the erase and the programming.
                const quint16 cal = quint16(chip.value(calibration, 0xFF) | (chip.value(calibration + 1, 0xFF) << 8));
                QVERIFY2(cal != (device == QStringLiteral("12F508") ? 0x0FFF : 0x3FFF),
                         qPrintable(QString::number(cal, 16)));
            }
        }
    }

    void badCellFailsItsSocketAlone()
    {
        QTemporaryDir dir;
        Outcome out;
        QString error;
        if (!RunDevice(dir, QStringLiteral("16F877A"), QString::fromLatin1(Sources[0]), {"--bad-cell", "C:0x1"}, &out,
                       &error)) {
            QVERIFY2(error.isEmpty(), qPrintable(error));
            QSKIP("gpasm is not installed");
        }
        QCOMPARE(out.run.status, 8);
        QVERIFY2(out.run.out.contains(QStringLiteral("   Device C: ERROR @ 0x000001")),
                 qPrintable(out.run.out.right(3000)));
        QVERIFY(out.run.out.contains(QStringLiteral("3 Devices Passed, Total is now: 3")));
        QVERIFY(!out.run.out.contains(QStringLiteral("   Device A: ERROR")));
        QVERIFY(out.run.err.contains(QStringLiteral("praxon: exit word: 0x0008")));
        // The end-of-cycle list names every socket that took part, those after the failed one too.
        const QString tail = out.run.out.mid(out.run.out.lastIndexOf(QStringLiteral("Devices Passed")));
        QVERIFY2(
            tail.contains(QStringLiteral("\n   Device A: OK\n   Device B: OK\n   Device C: ERROR\n   Device D: OK\n")),
            qPrintable(tail));
    }
};

QTEST_GUILESS_MAIN(TestAutoRunEndToEnd)
#include "TestAutoRunEndToEnd.moc"
