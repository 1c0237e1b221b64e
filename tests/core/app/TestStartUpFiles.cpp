#include "ScriptedOperator.h"
#include "TestPaths.h"
#include "core/app/AppShell.h"
#include "core/context/AppContext.h"
#include "core/options/SettingsFileFormat.h"
#include "core/options/SettingsStore.h"
#include "core/util/IniFile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

// Start-up as the operator meets it: pending updates, the device a file names, the recent-file
// list, hostile support files and the shipped sample.
namespace {
void WriteFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(content);
}

QStringList FilesIn(const QString& dir)
{
    return QDir(dir).entryList(QDir::Files, QDir::Name);
}

struct Fixture {
    QTemporaryDir settingsDir;
    QTemporaryDir appDir;
    QTemporaryDir work;
    std::unique_ptr<ScriptedOperator> op;
    std::unique_ptr<AppContext> ctx;
    std::unique_ptr<AppShell> shell;

    Fixture()
    {
        SettingsFileFormat::SetLocation(settingsDir.path());
        const QDir shipped(TestPaths::ShippedData());
        for (const QString& name : shipped.entryList(QDir::Files))
            QFile::copy(shipped.filePath(name), appDir.filePath(name));
        Restart();
    }
    // A fresh program on the same installation and settings store.
    void Restart()
    {
        shell.reset();
        ctx.reset();
        op = std::make_unique<ScriptedOperator>();
        ctx = std::make_unique<AppContext>(*op, appDir.path());
        shell = std::make_unique<AppShell>(*ctx);
    }
    QString Work(const QString& name) const { return work.filePath(name); }
    QString History() const { return ctx->History().DisplayText().join(u'\n'); }
    QString Device() const { return ctx->Profile().sectionName; }
    // Sets key=value in the device's own section, wherever its EXT puts it.
    void SetDeviceKey(const QString& device, const QString& key, const QString& value) const
    {
        IniFile main(appDir.filePath("PXMCU.TBL"));
        const QString ext = main.ReadString(device, "EXT", "NO");
        IniFile table(ext.compare("NO", Qt::CaseInsensitive) == 0 ? main.Path() : appDir.filePath(ext));
        table.WriteString(device, key, value);
        QVERIFY(table.Save());
    }
};

const QByteArray EmptyHex = ":00000001FF\r\n";
} // namespace

class TestStartUpFiles : public QObject
{
    Q_OBJECT
private slots:
    // A pending update that cannot be installed leaves the installed set exactly as it was, and
    // once the update is withdrawn the program starts again.
    void FailedUpdateLeavesTheInstallationIntact_data()
    {
        QTest::addColumn<QString>("blocker");
        QTest::newRow("table backup") << "PXMCU.TBK";
        QTest::newRow("template backup") << "PX2801.PXK";
        QTest::newRow("firmware backup") << "PX0118D.DAK";
        QTest::newRow("install of an added table") << "PXMCU7.TBL";
    }
    void FailedUpdateLeavesTheInstallationIntact()
    {
        QFETCH(QString, blocker);
        Fixture f;
        const QString dir = f.appDir.path() + u'/';
        const QStringList installed = FilesIn(dir);
        for (const QString& name : installed) {
            const QString ext = QFileInfo(name).suffix();
            const QString pending = ext == "TBL" ? "TBX" : ext == "PXT" ? "PXX" : "DAX";
            QVERIFY(QFile::copy(dir + name, dir + QFileInfo(name).completeBaseName() + u'.' + pending));
        }
        if (blocker == "PXMCU7.TBL")
            QVERIFY(QFile::copy(dir + "PXMCU1.TBX", dir + "PXMCU7.TBX"));
        QVERIFY(QDir(dir).mkdir(blocker));

        QVERIFY(!f.shell->StartUp({}, f.work.path()));
        QCOMPARE(f.op->Captions(), QStringList{"Table Update Error"});
        QStringList after = FilesIn(dir).filter(QRegularExpression("\\.(TBL|PXT|DAT)$"));
        QCOMPARE(after, installed);

        for (const QString& pending : FilesIn(dir).filter(QRegularExpression("\\.(TBX|PXX|DAX)$")))
            QVERIFY(QFile::remove(dir + pending));
        QVERIFY(QDir(dir).rmdir(blocker));
        f.Restart();
        QVERIFY(f.shell->StartUp({}, f.work.path()));
        QCOMPARE(f.op->Captions(), QStringList{"Praxon MCU Programmer"}); // only the no-file reminder
    }

    // Which device a HEX file opens on: /D, then a device record (unless MCUoverride), then the
    // control file's DEV, then the store's default.
    void DeviceOfTheOpenedFile_data()
    {
        QTest::addColumn<QByteArray>("hex");
        QTest::addColumn<QByteArray>("control");
        QTest::addColumn<QString>("mcuArgument");
        QTest::addColumn<QString>("device");
        QTest::addColumn<QString>("historyLine");
        const QByteArray dev877 = "[OPTIONS]\r\nDEV=16F877A\r\n";
        QTest::newRow("control file DEV") << EmptyHex << dev877 << ""
                                          << "16F877A"
                                          << "";
        QTest::newRow("/D beats DEV") << EmptyHex << dev877 << "/D16F84A"
                                      << "16F84A"
                                      << "";
        QTest::newRow("no DEV: store default") << EmptyHex << QByteArray("[CONTROL]\r\n") << ""
                                               << "18F252"
                                               << "";
        QTest::newRow("device record beats DEV") << QByteArray(";PIC16F84A\r\n" + EmptyHex) << dev877 << ""
                                                 << "16F84A"
                                                 << "";
        QTest::newRow("MCUoverride keeps DEV")
            << QByteArray(";PIC16F84A\r\n" + EmptyHex) << QByteArray(dev877 + "MCUoverride=1\r\n") << ""
            << "16F877A"
            << "";
        QTest::newRow("unknown device code keeps DEV") << QByteArray(":02FFFE00EFBE54\r\n" + EmptyHex) << dev877 << ""
                                                       << "16F877A"
                                                       << "Unknown device code in HEX file: BEEF";
    }
    void DeviceOfTheOpenedFile()
    {
        QFETCH(QByteArray, hex);
        QFETCH(QByteArray, control);
        QFETCH(QString, mcuArgument);
        QFETCH(QString, device);
        QFETCH(QString, historyLine);
        Fixture f;
        WriteFile(f.Work("board.hex"), hex);
        WriteFile(f.Work("board.PXC"), control);
        QStringList args{f.Work("board.hex")};
        if (!mcuArgument.isEmpty())
            args << mcuArgument;
        QVERIFY(f.shell->StartUp(args, f.work.path()));
        QCOMPARE(f.Device(), device);
        if (!historyLine.isEmpty())
            QCOMPARE(f.History().count(historyLine), 1);
    }

    // Files opened from the command line enter the recent-file list, and any path survives the
    // settings store.
    void RecentFilesRoundTrip()
    {
        Fixture f;
        const QString hex = f.Work("first job.hex");
        WriteFile(hex, EmptyHex);
        WriteFile(f.Work("first job.PXC"), "[CONTROL]\r\n");
        QVERIFY(f.shell->StartUp({hex}, f.work.path()));
        QCOMPARE(f.ctx->Workstation().RecentFiles().value(0), hex);

        const QStringList odd{hex, "/x/old.hex", "/a b/ü ñ/x=y;z.hex", "C:\\jobs\\[old]\\a#b.hex", "rel/=.hex"};
        f.ctx->Workstation().SetRecentFiles(odd);
        QVERIFY(SettingsStore::Save(*f.ctx));
        f.Restart();
        SettingsStore::Load(*f.ctx);
        QCOMPARE(f.ctx->Workstation().RecentFiles(), odd);
    }

    // A device whose numbers do not fit the buffers is refused with a box naming device, key
    // and value; nothing may run on it.
    void OutOfRangeDeviceValuesAreRefused_data()
    {
        QTest::addColumn<QStringList>("settings");
        QTest::addColumn<QString>("named");
        QTest::newRow("ROM") << QStringList{"ROM", "4294967295"} << "ROM=4294967295";
        QTest::newRow("CAL doubled") << QStringList{"CAL", "2147483647", "BCAL", "1"} << "CAL=2147483647";
        QTest::newRow("EE") << QStringList{"EE", "5000"} << "EE=5000";
        QTest::newRow("negative IDLOC") << QStringList{"IDLOC", "-8"} << "IDLOC=-8";
        QTest::newRow("not a number") << QStringList{"CFGLOC", "lots"} << "CFGLOC=lots";
    }
    void OutOfRangeDeviceValuesAreRefused()
    {
        QFETCH(QStringList, settings);
        QFETCH(QString, named);
        Fixture f;
        for (int i = 0; i + 1 < settings.size(); i += 2)
            f.SetDeviceKey("16F877A", settings[i], settings[i + 1]);
        WriteFile(f.Work("b.hex"), EmptyHex);
        WriteFile(f.Work("b.PXC"), "[CONTROL]\r\n");
        QVERIFY(f.shell->StartUp({f.Work("b.hex"), "/D16F877A", "/X"}, f.work.path()));
        const int box = f.op->Captions().indexOf("Table File Error");
        QVERIFY2(box >= 0, qPrintable(f.op->Captions().join(", ")));
        QVERIFY(f.op->Texts()[box].contains("16F877A"));
        QVERIFY(f.op->Texts()[box].contains(named));
        QCOMPARE(f.ctx->Profile().rom, 0);
        QVERIFY(!f.ctx->Flags().AutoRunPending);
    }

    // A huge note count costs no more than the notes the table holds.
    void HugeNoteCountIsBounded()
    {
        Fixture f;
        QVERIFY(f.shell->StartUp({}, f.work.path()));
        const QStringList notes = f.ctx->Devices().Notes();
        IniFile table(f.appDir.filePath("PXMCU.TBL"));
        table.WriteString("DEVNOTES", "count", "4294967295");
        QVERIFY(table.Save());
        f.Restart();
        QElapsedTimer timer;
        timer.start();
        QVERIFY(f.shell->StartUp({}, f.work.path()));
        QVERIFY(timer.elapsed() < 60000);
        QCOMPARE(f.ctx->Devices().Notes(), notes);
    }

    // The shipped sample, copied anywhere, opens as HEX file and as control file with its own
    // options and device.
    void SampleOpensFromAnyFolder_data()
    {
        QTest::addColumn<QString>("opened");
        QTest::newRow("HEX file") << "BLINK877A.HEX";
        QTest::newRow("control file") << "BLINK877A.PXC";
    }
    void SampleOpensFromAnyFolder()
    {
        QFETCH(QString, opened);
        Fixture f;
        const QString folder = f.Work("some where");
        QVERIFY(QDir().mkpath(folder));
        for (const char* name : {"BLINK877A.HEX", "BLINK877A.PXC"})
            QVERIFY(QFile::copy(TestPaths::Samples() + QLatin1String(name), folder + u'/' + QLatin1String(name)));
        QVERIFY(!IniFile(folder + "/BLINK877A.PXC").ReadString("CONTROL", "HEXFILE", "").contains(u'/'));
        QVERIFY(f.shell->StartUp({folder + u'/' + opened}, f.work.path()));
        QVERIFY(f.op->boxes.isEmpty());
        QVERIFY(!f.ctx->Flags().NoValidFile);
        QCOMPARE(QFileInfo(f.ctx->File().hexPath).canonicalFilePath(),
                 QFileInfo(folder + "/BLINK877A.HEX").canonicalFilePath());
        QCOMPARE(f.Device(), QStringLiteral("16F877A"));
    }
};

QTEST_GUILESS_MAIN(TestStartUpFiles)
#include "TestStartUpFiles.moc"
