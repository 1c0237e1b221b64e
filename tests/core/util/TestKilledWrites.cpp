// A writer killed (SIGKILL) at random points of its saves leaves the file either as it was or as
// it was to become, never torn. The child process saves in a loop through the program's own
// writers: the commit primitive every operator file goes through, the control-file save and the
// HEX-file save.

#include "../image/ImageFixture.h"
#include "core/image/HexFileWriter.h"
#include "core/options/ControlFile.h"
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
const char* const KindVariable = "PRAXON_KILLED_WRITER_KIND";

// Two whole versions of a raw file, each large enough that a save takes a few milliseconds.
QByteArray Version(char tag)
{
    QByteArray line = QByteArray(":10000000") + QByteArray(32, tag) + "00\r\n";
    QByteArray out;
    for (int i = 0; i < 40000; ++i)
        out += line;
    return out + ":00000001FF\r\n";
}

// Saves version 0 or 1 of a file of the given kind to path through the program's writer.
class Saver
{
public:
    explicit Saver(const QString& kind) : m_kind(kind)
    {
        if (m_kind != QLatin1String("raw"))
            m_fixture.LoadDevice(QStringLiteral("16F877A"));
    }

    bool Save(const QString& path, int version)
    {
        AppContext& ctx = m_fixture.ctx;
        if (m_kind == QLatin1String("raw"))
            return SafeFileWriter(path).Write(Version(version ? 'B' : 'A'));
        if (m_kind == QLatin1String("control")) {
            // Every option key is rewritten, so each version's file is the same whatever was there.
            for (int i = 0; i < 40; ++i)
                ctx.Options().SetValue(i, quint8((i + version) % 2));
            ctx.SerialSettings().lastHexText = QStringLiteral("1000");
            ctx.File().controlPath = path;
            return ControlFile::Write(ctx);
        }
        std::fill_n(ctx.Image().CodeBuffer().begin(), ctx.Profile().rom, quint16(version ? 0x1234 : 0x0ABC));
        QString reason;
        return WriteHexFile(ctx, path, &reason);
    }

private:
    QString m_kind;
    ImageFixture m_fixture;
};

[[noreturn]] void SaveForever(const QString& kind, const QString& path)
{
    Saver saver(kind);
    for (int i = 0;; i = 1 - i) {
        if (!saver.Save(path, i))
            ::_exit(3);
        // One byte per finished save, so the test kills a writer that is really saving, however
        // long the child took to start on a loaded machine.
        if (::write(STDOUT_FILENO, ".", 1) != 1)
            ::_exit(4);
    }
}

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("(missing)");
}
} // namespace

class TestKilledWrites : public QObject
{
    Q_OBJECT

private slots:
    void aKilledSaveLeavesTheOldOrTheNewFile_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("name");
        QTest::newRow("commit") << "raw"
                                << "OPERATOR.PXC";
        QTest::newRow("control file") << "control"
                                      << "BOARD.PXC";
        QTest::newRow("HEX file") << "hex"
                                  << "BOARD.HEX";
    }

    void aKilledSaveLeavesTheOldOrTheNewFile()
    {
        QFETCH(QString, kind);
        QFETCH(QString, name);
        QTemporaryDir dir;
        const QString path = dir.filePath(name);
        // The two versions, as this writer makes them.
        QByteArray versions[2];
        {
            Saver saver(kind);
            for (int v = 1; v >= 0; --v) {
                QVERIFY(saver.Save(path, v));
                versions[v] = Contents(path);
            }
        }
        QVERIFY(versions[0] != versions[1]);
        QRandomGenerator random(20261210);
        int sawNew = 0;
        const int rounds = 25;
        for (int round = 0; round < rounds; ++round) {
            QProcess child;
            QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
            env.insert(QString::fromLatin1(ChildVariable), path);
            env.insert(QString::fromLatin1(KindVariable), kind);
            child.setProcessEnvironment(env);
            child.start(QCoreApplication::applicationFilePath(), {});
            QVERIFY(child.waitForStarted());
            // Kill after a random number of finished saves, so both versions are the last one
            // finished in some rounds however slowly a loaded machine runs the child; the kill
            // then falls anywhere inside the save that follows.
            const int saves = int(random.bounded(1, 5));
            for (qint64 seen = 0; seen < saves;) {
                QVERIFY(child.bytesAvailable() > 0 || child.waitForReadyRead(30000));
                seen += child.read(saves - seen).size();
            }
            QTest::qSleep(int(random.bounded(0, 3)));
            child.kill();
            QVERIFY(child.waitForFinished());
            QCOMPARE(child.exitStatus(), QProcess::CrashExit); // killed, not ended by a failed write
            const QByteArray now = Contents(path);
            QVERIFY2(now == versions[0] || now == versions[1],
                     qPrintable(QStringLiteral("round %1: %2 bytes, torn").arg(round).arg(now.size())));
            sawNew += now == versions[1];
        }
        // A killed save may leave its temporary file where the file system has no unnamed
        // temporary files; the operator's file is never one of them. Counted for the log only.
        const QStringList files = QDir(dir.path()).entryList(QDir::Files);
        QVERIFY(files.contains(name));
        qInfo("%s: %d of %d kills found the new version; %lld temporary files left", qPrintable(kind), sawNew, rounds,
              qlonglong(files.size() - 1));
        // The kills fell at different points: both versions were found afterwards.
        QVERIFY2(sawNew > 0 && sawNew < rounds, qPrintable(QString::number(sawNew)));
    }
};

int main(int argc, char** argv)
{
    const QString child = qEnvironmentVariable(ChildVariable);
    if (!child.isEmpty()) {
        QCoreApplication app(argc, argv);
        SaveForever(qEnvironmentVariable(KindVariable), child);
    }
    QCoreApplication app(argc, argv);
    TestKilledWrites test;
    return QTest::qExec(&test, argc, argv);
}
#include "TestKilledWrites.moc"
