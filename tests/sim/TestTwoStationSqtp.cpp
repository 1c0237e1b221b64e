// Two stations share one SQTP file: two program instances, each with its own simulator process and
// four sockets, run unattended Auto Runs at the same time. Every record is taken by one station
// only and every number taken is logged once.
#include "BoxSimProcess.h"
#include "TestPaths.h"
#include "core/options/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <memory>

namespace {

constexpr int Stations = 2;
constexpr int Rounds = 3;
constexpr int Records = 40;

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY2(f.open(QIODevice::WriteOnly), qPrintable(path));
    f.write(bytes);
}

QByteArray ReadFile(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Number n as a record of two RETLW locations at byte address 0x400; its text is "%04X" of n.
QByteArray Record(int n)
{
    QByteArray r = ":04040000" + QByteArray::number(n & 0xFF, 16).rightJustified(2, '0').toUpper() + "34" +
                   QByteArray::number(n >> 8, 16).rightJustified(2, '0').toUpper() + "34";
    int sum = 0;
    for (int i = 1; i < r.size(); i += 2)
        sum += r.mid(i, 2).toInt(nullptr, 16);
    return r + QByteArray::number((-sum) & 0xFF, 16).rightJustified(2, '0').toUpper() + "\r\n";
}

struct Station {
    QTemporaryDir settings;
    QTemporaryDir work;
    std::unique_ptr<BoxSimProcess> sim;
    QString hex;

    void Prepare(const QString& sqtp, const QString& log)
    {
        sim = std::make_unique<BoxSimProcess>(QStringLiteral(PRAXON_BOXSIM), QStringList{});
        QVERIFY(!sim->Url().isEmpty());
        QDir(settings.path()).mkpath(QStringLiteral("Kestrix"));
        WriteFile(settings.filePath(QStringLiteral("Kestrix/PX.ini")),
                  "[" + SettingsStore::KeyPath(TestPaths::RuntimeDir()).toUtf8() + "/SOCKETS]\nA=1\nB=1\nC=1\nD=1\n");
        hex = work.filePath(QStringLiteral("Station.hex"));
        QVERIFY(QFile::copy(TestPaths::Samples() + QStringLiteral("BLINK877A.HEX"), hex));
        WriteFile(work.filePath(QStringLiteral("Station.PXC")),
                  "[OPTIONS]\r\nDEV=16F877A\r\nPrgSNOpt=1\r\nUseSQTP=1\r\n[SERIALNUM]\r\nSQTPF=" + sqtp.toUtf8() +
                      "\r\nLOGF=" + log.toUtf8() + "\r\nCodespace=1\r\nEncoderetlw=1\r\n");
    }
    void Start(QProcess& process) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("PRAXON_AUTO_ANSWER"), QStringLiteral("1"));
        env.insert(QStringLiteral("PRAXON_SETTINGS_DIR"), settings.path());
        env.insert(QStringLiteral("PRAXON_COM1"), sim->Url());
        env.remove(QStringLiteral("DISPLAY"));
        process.setProcessEnvironment(env);
        process.setWorkingDirectory(work.path());
        process.start(QStringLiteral(PRAXON_EXECUTABLE), {hex, QStringLiteral("/D16F877A"), QStringLiteral("/X")});
    }
};

} // namespace

class TestTwoStationSqtp : public QObject
{
    Q_OBJECT
private slots:
    void NoRecordIsTakenTwice()
    {
        QTemporaryDir shared;
        const QString sqtp = shared.filePath(QStringLiteral("lot.num"));
        const QString log = shared.filePath(QStringLiteral("lot.PXL"));
        QByteArray file;
        for (int n = 1; n <= Records; ++n)
            file += Record(n);
        file += ":00000001FF\r\n";
        WriteFile(sqtp, file);
        std::array<Station, Stations> stations;
        for (Station& s : stations)
            s.Prepare(sqtp, log);

        for (int round = 0; round < Rounds; ++round) {
            std::array<QProcess, Stations> runs;
            for (int i = 0; i < Stations; ++i)
                stations[size_t(i)].Start(runs[size_t(i)]);
            for (QProcess& run : runs) {
                QVERIFY(run.waitForFinished(120000));
                QVERIFY2(run.exitStatus() == QProcess::NormalExit && run.exitCode() == 0,
                         qPrintable(QString::fromLocal8Bit(run.readAllStandardError())));
            }
        }

        // The records taken, from the file's ';' marks, and the numbers logged.
        QSet<QString> used;
        for (const QByteArray& line : ReadFile(sqtp).split('\n'))
            if (line.startsWith(';'))
                used << QString::fromLatin1(line.mid(13, 2) + line.mid(9, 2));
        QStringList logged;
        for (const QByteArray& line : ReadFile(log).split('\n')) {
            if (line.startsWith(';') || line.trimmed().isEmpty())
                continue;
            QVERIFY2(line.contains(",PASSED,"), line.constData());
            logged << QString::fromLatin1(line.left(4));
        }
        const int taken = Stations * Rounds * 4;
        QCOMPARE(used.size(), taken);
        QCOMPARE(logged.size(), taken);
        QCOMPARE(QSet<QString>(logged.begin(), logged.end()), used);
        // One header only: the log was created once.
        QCOMPARE(ReadFile(log).count("; Praxon Serial Number LOG."), 1);
    }
};

QTEST_GUILESS_MAIN(TestTwoStationSqtp)
#include "TestTwoStationSqtp.moc"
