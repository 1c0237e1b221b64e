// Every writer of the program and the simulator, made to fail part way by a file size limit (as a
// full disk would): the previous file must stay whole, no temporary file may be left, and the
// failure must be reported with a reason.

#include "../core/image/ImageFixture.h"
#include "ChipGeometry.h"
#include "MemoryDump.h"
#include "SimulatedChip.h"
#include "core/image/HexFileWriter.h"
#include "core/options/SettingsFileFormat.h"
#include "core/util/IniFile.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>
#include <QtTest>

#include <csignal>
#include <functional>
#include <sys/resource.h>

namespace {
// The limit of `ulimit -f 4`; every writer below produces well over this.
constexpr rlim_t Limit = 4 * 1024;
const QByteArray OldContent = "previous content\n";

// Writes path under the limit; returns whether the writer said it succeeded, *reason its text.
using Writer = std::function<bool(const QString& path, QString* reason)>;

bool WriteLimited(const Writer& writer, const QString& path, QString* reason)
{
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit saved{};
    getrlimit(RLIMIT_FSIZE, &saved);
    rlimit limit = saved;
    limit.rlim_cur = Limit;
    setrlimit(RLIMIT_FSIZE, &limit);
    const bool written = writer(path, reason);
    setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    return written;
}
} // namespace

Q_DECLARE_METATYPE(Writer)

class TestSafeWrites : public QObject
{
    Q_OBJECT
private slots:
    void OldFileStaysAndFailureIsReported_data()
    {
        QTest::addColumn<Writer>("writer");
        QTest::newRow("IniFile") << Writer([](const QString& path, QString* reason) {
            IniFile ini(QStringLiteral("/nonexistent/none.ini"));
            ini.WriteString("SECTION", "KEY", QString(3 * Limit, u'x'));
            return ini.SaveAs(path, reason);
        });
        QTest::newRow("SettingsFileFormat") << Writer([](const QString& path, QString* reason) {
            QSettings settings(path, SettingsFileFormat::Format());
            settings.setValue("SECTION/KEY", QString(3 * Limit, u'x'));
            settings.sync();
            *reason = settings.status() == QSettings::NoError ? QString() : QStringLiteral("access error");
            return settings.status() == QSettings::NoError;
        });
        QTest::newRow("HexFileWriter") << Writer([](const QString& path, QString* reason) {
            ImageFixture f;
            f.LoadDevice("16F877A");
            std::fill_n(f.ctx.Image().CodeBuffer().begin(), 4096, quint16(0x1234));
            return WriteHexFile(f.ctx, path, reason);
        });
        QTest::newRow("MemoryDump") << Writer([](const QString& path, QString* reason) {
            ChipGeometry geometry;
            geometry.name = "16F877A";
            geometry.rom = 2048;
            geometry.idLoc = 0x2000;
            geometry.cfgLoc = 0x2007;
            geometry.fuseMask = {0x3FFF};
            geometry.cpMask = {0x3FFF};
            SimulatedChip chip(geometry);
            return WriteChipHex(chip, path, reason);
        });
    }
    void OldFileStaysAndFailureIsReported()
    {
        QFETCH(Writer, writer);
        QTemporaryDir dir;
        const QString path = dir.filePath("target.file");
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(OldContent), OldContent.size());
        }
        // Without the limit the writer replaces the file with more than the limit allows.
        const QString fresh = dir.filePath("fresh.file");
        QString reason;
        QVERIFY(writer(fresh, &reason));
        QVERIFY2(QFileInfo(fresh).size() > qint64(Limit), "the case must exceed the limit");
        QVERIFY(QFile::remove(fresh));

        reason.clear();
        QVERIFY(!WriteLimited(writer, path, &reason));
        QVERIFY(!reason.isEmpty());
        QFile file(path);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(file.readAll(), OldContent);
        QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{"target.file"});
    }
};

QTEST_GUILESS_MAIN(TestSafeWrites)
#include "TestSafeWrites.moc"
