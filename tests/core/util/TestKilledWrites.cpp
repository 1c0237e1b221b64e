// A writer killed (SIGKILL) at random points of its saves leaves the file either as it was or as
// it was to become, never torn: every operator file (control file, settings, HEX file, history
// text) is committed through SafeFileWriter, which this child process drives in a loop.

#include "core/util/SafeFileWriter.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

namespace {
const char* const ChildVariable = "PRAXON_KILLED_WRITER";

// Two whole versions of a file, each large enough that a save takes a few milliseconds.
QByteArray Version(char tag)
{
    QByteArray line = QByteArray(":10000000") + QByteArray(32, tag) + "00\r\n";
    QByteArray out;
    for (int i = 0; i < 40000; ++i)
        out += line;
    return out + ":00000001FF\r\n";
}

[[noreturn]] void WriteForever(const QString& path)
{
    const QByteArray versions[2] = {Version('A'), Version('B')};
    for (int i = 0;; i = 1 - i) {
        SafeFileWriter writer(path);
        if (!writer.Write(versions[i]))
            ::_exit(3);
        // One byte per finished save, so the test kills a writer that is really saving, however
        // long the child took to start on a loaded machine.
        if (::write(STDOUT_FILENO, ".", 1) != 1)
            ::_exit(4);
    }
}
} // namespace

class TestKilledWrites : public QObject
{
    Q_OBJECT

private slots:
    void aKilledSaveLeavesTheOldOrTheNewFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("OPERATOR.PXC"));
        QVERIFY(SafeFileWriter(path).Write(Version('A')));
        const QByteArray a = Version('A');
        const QByteArray b = Version('B');
        QRandomGenerator random(20261210);
        int sawB = 0;
        for (int round = 0; round < 25; ++round) {
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QString::fromLatin1(ChildVariable), path);
            child.setProcessEnvironment(env);
            child.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(child.waitForStarted());
            QVERIFY(child.waitForReadyRead(30000));
            QTest::qSleep(int(random.bounded(0, 40)));
            child.kill();
            QVERIFY(child.waitForFinished());
            QCOMPARE(child.exitStatus(), QProcess::CrashExit); // killed, not ended by a failed write
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray now = file.readAll();
            QVERIFY2(now == a || now == b,
                     qPrintable(QStringLiteral("round %1: %2 bytes, torn").arg(round).arg(now.size())));
            sawB += now == b;
        }
        // The kills fell at different points: both versions were found afterwards.
        QVERIFY(sawB > 0 && sawB < 25);
    }
};

int main(int argc, char** argv)
{
    const QString child = qEnvironmentVariable(ChildVariable);
    if (!child.isEmpty())
        WriteForever(child);
    QCoreApplication app(argc, argv);
    TestKilledWrites test;
    return QTest::qExec(&test, argc, argv);
}
#include "TestKilledWrites.moc"
