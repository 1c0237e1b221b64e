// The settings store: key path, defaults of a first run, round trips between two program runs
// (two contexts), the read rules of placements, the preset import, the recent-file list, the port
// map, the locked save and a store that cannot be written.

#include "OptionsFixture.h"
#include "core/model/OptionIndex.h"
#include "core/options/ControlFile.h"
#include "core/options/SettingsStore.h"
#include "core/util/ErrorOut.h"

#include <memory>

#include <QDir>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

Q_DECLARE_METATYPE(WindowPlacement)

using namespace OptionIndex;
using OptionsTest::Fixture;
using OptionsTest::ReadFile;
using OptionsTest::SettingsSandbox;
using OptionsTest::WriteFile;

namespace {
// A second "run" on the same application directory and store.
struct NextRun {
    ScriptedOperator op;
    AppContext ctx;
    explicit NextRun(const Fixture& first) : ctx(op, const_cast<Fixture&>(first).ctx.AppDir()) {}
};

// A window stand-in: capture gives a fixed geometry, apply records what it was given.
struct FakeWindow {
    WindowPlacement shown{};
    bool applied = false;
    void Bind(WorkstationSettings& station, RememberedWindow which, WindowPlacement geometry)
    {
        WorkstationSettings::PlacementHooks hooks;
        hooks.capture = [geometry](WindowPlacement& record, bool keepHeight) {
            const int height = record.height;
            record = geometry;
            if (keepHeight)
                record.height = height;
        };
        hooks.apply = [this](WindowPlacement& record) {
            shown = record;
            applied = true;
        };
        station.SetPlacementHooks(which, hooks);
    }
};

// The store as the program opens it: this installation's group.
std::unique_ptr<QSettings> StoreAt(const Fixture& f)
{
    auto store = std::make_unique<QSettings>(SettingsFileFormat::Format(), QSettings::UserScope, "Kestrix", "PX");
    store->beginGroup(SettingsStore::KeyPath(const_cast<Fixture&>(f).ctx.AppDir()));
    return store;
}
} // namespace

class TestSettingsStore : public QObject
{
    Q_OBJECT
private slots:
    void KeyPathNamesTheInstallation()
    {
        QCOMPARE(SettingsStore::KeyPath("/opt/praxon/bin/"), QString("Software/Kestrix/PX/opt/praxon/bin/ini"));
        QCOMPARE(SettingsStore::KeyPath("C:\\Program Files\\PX\\"),
                 QString("Software/Kestrix/PX/C:/Program Files/PX/ini"));
        QVERIFY(SettingsStore::KeyPath("/a/b/") != SettingsStore::KeyPath("/a/c/"));
    }

    void FirstRunWithEmptyStore()
    {
        Fixture f;
        f.ctx.Window().SetPortIndex(4);
        SettingsStore::Load(f.ctx);
        QVERIFY(f.ctx.File().hexPath.isEmpty());
        QVERIFY(f.ctx.File().controlPath.isEmpty());
        QCOMPARE(f.ctx.Window().PortIndex(), 0);
        const WorkstationSettings& s = f.ctx.Workstation();
        QCOMPARE(s.TreeWidth(), 166);
        QCOMPARE(s.InformationHeight(), 234);
        QVERIFY(s.ShowTasks() && s.ShowInformation());
        QVERIFY(s.SocketInUse(0));
        for (int socket = 1; socket < 4; ++socket)
            QVERIFY(!s.SocketInUse(socket));
        QVERIFY(s.RecentFiles().isEmpty());
        QCOMPARE(f.ctx.File().mcuName, QString("18F252"));
        QVERIFY(!s.Loading());
        QVERIFY(f.op.boxes.isEmpty());
    }

    void RoundTripAcrossTwoRuns()
    {
        Fixture f;
        const QString hex = f.WorkFile("Board.hex");
        WriteFile(hex, ":00000001FF\r\n");
        f.ctx.File().hexPath = hex;
        f.ctx.File().controlPath = f.WorkFile("Board.PXC");
        f.ctx.File().mcuName = "16F877A";
        f.ctx.Options().SetAllPresentAndOn();
        f.ctx.Options().SetFactoryValues();
        f.ctx.Options().SetValue(NoRead, true);
        f.ctx.Options().SetValue(HighSpeed, true);
        f.ctx.Options().SetValue(MicrochipChecksum, true);
        f.ctx.Window().SetPortIndex(2);
        WorkstationSettings& s = f.ctx.Workstation();
        s.SetSocketInUse(1, true);
        s.SetSocketInUse(3, true);
        s.SetViewItems(false, true, 180, 250);
        s.SetRecentFiles({hex, "/elsewhere/Other.HEX"});
        s.SetStoredPortTarget(3, "rfc2217://bench:4001");
        QVERIFY(SettingsStore::Save(f.ctx));

        NextRun next(f);
        SettingsStore::Load(next.ctx);
        QCOMPARE(next.ctx.File().hexPath, hex);
        QCOMPARE(next.ctx.File().controlPath, f.WorkFile("Board.PXC"));
        QVERIFY(!next.ctx.Flags().ControlFileGiven);
        QCOMPARE(next.ctx.Workstation().DefaultDeviceName(), QString("16F877A"));
        QCOMPARE(next.ctx.Window().PortIndex(), 2);
        const WorkstationSettings& t = next.ctx.Workstation();
        QVERIFY(t.SocketInUse(0) && t.SocketInUse(1) && !t.SocketInUse(2) && t.SocketInUse(3));
        QVERIFY(!t.ShowTasks());
        QCOMPARE(t.TreeWidth(), 180);
        QCOMPARE(t.InformationHeight(), 250);
        QCOMPARE(t.RecentFiles(), (QStringList{hex, "/elsewhere/Other.HEX"}));
        QCOMPARE(t.PortTarget("COM3"), QString("rfc2217://bench:4001"));
        // Highspeed lives in the store only; the control file (missing here) decides NOREAD and CKSUMMC.
        QVERIFY(next.ctx.Options().IsSet(HighSpeed));
        QVERIFY(!next.ctx.Options().IsSet(NoRead));
        QVERIFY(!next.ctx.Options().IsSet(MicrochipChecksum));
    }

    void LastFileMayBeAControlFile()
    {
        Fixture f;
        const QString control = f.WorkFile("Line2.PXC");
        WriteFile(control,
                  "[CONTROL]\r\nHEXFILE=" + f.WorkFile("Line2.hex").toLatin1() + "\r\n[OPTIONS]\r\nVERIFY=0\r\n");
        f.ctx.File().controlPath = control;
        f.ctx.Flags().ControlFileGiven = true;
        QVERIFY(SettingsStore::Save(f.ctx));

        NextRun next(f);
        SettingsStore::Load(next.ctx);
        QVERIFY(next.ctx.Flags().ControlFileGiven);
        QCOMPARE(next.ctx.File().controlPath, control);
        QCOMPARE(next.ctx.File().hexPath, f.WorkFile("Line2.hex"));
        // ... and the control file's options are read after the store's.
        QVERIFY(!next.ctx.Options().IsSet(Verify));
    }

    // A known HEX path is kept; the store's last file is only taken when none is known.
    void KnownFileIsKept()
    {
        Fixture f;
        f.ctx.File().hexPath = "/last/one.hex";
        QVERIFY(SettingsStore::Save(f.ctx));
        NextRun next(f);
        next.ctx.File().hexPath = "/named/now.hex";
        SettingsStore::Load(next.ctx);
        QCOMPARE(next.ctx.File().hexPath, QString("/named/now.hex"));
        NextRun third(f);
        SettingsStore::Load(third.ctx, false);
        QVERIFY(third.ctx.File().hexPath.isEmpty());
    }

    void PlacementReadRules()
    {
        Fixture f;
        {
            const auto store = StoreAt(f);
            store->setValue("PXmain/TOP", -4);
            store->setValue("PXmain/LEFT", -3);
            store->setValue("PXmain/WIDTH", 200);
            store->setValue("PXmain/HEIGHT", 201);
            store->setValue("PXmain/OPEN", 1);
        }
        WorkstationSettings& s = f.ctx.Workstation();
        s.Placement(RememberedWindow::Main) = WindowPlacement{50, 60, 400, 800, 0};
        FakeWindow window;
        window.Bind(s, RememberedWindow::Main, {});
        SettingsStore::Load(f.ctx);
        QVERIFY(window.applied);
        QCOMPARE(window.shown.top, 50);     // -4: not taken
        QCOMPARE(window.shown.left, -3);    // -3: taken
        QCOMPARE(window.shown.width, 800);  // 200: not taken
        QCOMPARE(window.shown.height, 201); // 201: taken
        QCOMPARE(window.shown.open, 1);
    }

    void PlacementsAreCapturedOnSave()
    {
        Fixture f;
        WorkstationSettings& s = f.ctx.Workstation();
        FakeWindow main;
        FakeWindow dialog;
        main.Bind(s, RememberedWindow::Main, {10, 20, 300, 900, 1});
        dialog.Bind(s, RememberedWindow::DeviceSelect, {100, 110, 268, 478, 0});
        s.Placement(RememberedWindow::Main).height = 555;
        f.ctx.Options().SetValue(CompactView, true); // the compact view keeps the full height
        QVERIFY(SettingsStore::Save(f.ctx));
        const auto store = StoreAt(f);
        QCOMPARE(store->value("PXmain/HEIGHT").toInt(), 555);
        QCOMPARE(store->value("PXmain/WIDTH").toInt(), 900);
        QCOMPARE(store->value("seldevdlg/TOP").toInt(), 100);
        QCOMPARE(store->value("seldevdlg/WIDTH").toInt(), 478);
        QCOMPARE(store->value("PXmain/OPEN").toInt(), 1);
    }

    void PresetIsImportedOnce()
    {
        Fixture f;
        const QString preset = f.appDir.filePath("PX.ini");
        WriteFile(
            preset,
            "[SOCKETS]\r\nC=1\r\n[OPTIONS]\r\nPORT=3\r\nDEV=12C508\r\n[HEX HISTORY]\r\n/a/one.hex=\r\n/a/two.hex=\r\n");
        {
            const auto store = StoreAt(f);
            store->setValue("OPTIONS/PORT", 7); // the preset wins over the store
        }
        SettingsStore::Load(f.ctx);
        QVERIFY(f.ctx.Workstation().SocketInUse(2));
        QVERIFY(f.ctx.Workstation().SocketInUse(0));
        QCOMPARE(f.ctx.Window().PortIndex(), 3);
        QCOMPARE(f.ctx.Workstation().DefaultDeviceName(), QString("12C508"));
        QCOMPARE(f.ctx.Workstation().RecentFiles(), (QStringList{"/a/one.hex", "/a/two.hex"}));
        QVERIFY(!QFile::exists(preset));
        const auto store = StoreAt(f);
        QCOMPARE(store->value("SOCKETS/C").toInt(), 1);
        QCOMPARE(store->value("OPTIONS/PORT").toInt(), 3);

        NextRun next(f);
        SettingsStore::Load(next.ctx);
        QVERIFY(next.ctx.Workstation().SocketInUse(2));
        QCOMPARE(next.ctx.Workstation().RecentFiles(), (QStringList{"/a/one.hex", "/a/two.hex"}));
    }

    void EmptyRecentListKeepsTheStoredOne()
    {
        Fixture f;
        f.ctx.Workstation().SetRecentFiles({"/x/1.hex"});
        QVERIFY(SettingsStore::Save(f.ctx));
        f.ctx.Workstation().SetRecentFiles({});
        QVERIFY(SettingsStore::Save(f.ctx));
        NextRun next(f);
        SettingsStore::Load(next.ctx);
        QCOMPARE(next.ctx.Workstation().RecentFiles(), QStringList{"/x/1.hex"});
    }

    void LockedSaveKeepsOptionKeys()
    {
        Fixture f;
        f.ctx.Options().SetValue(Verify, true);
        f.ctx.Options().SetValue(HighSpeed, false);
        QVERIFY(SettingsStore::Save(f.ctx));
        f.ctx.File().optionAccessMode = 2;
        f.ctx.File().hexPath = "/locked/board.hex";
        f.ctx.Options().SetValue(Verify, false);
        f.ctx.Options().SetValue(HighSpeed, true);
        f.ctx.Window().SetPortIndex(5);
        QVERIFY(SettingsStore::Save(f.ctx));
        const auto store = StoreAt(f);
        QCOMPARE(store->value("OPTIONS/VERIFY").toInt(), 1);
        QCOMPARE(store->value("OPTIONS/Highspeed").toInt(), 0);
        QCOMPARE(store->value("OPTIONS/PORT").toInt(), 5);
        QCOMPARE(store->value("CONTROL/HEXFILE").toString(), QString("/locked/board.hex"));
    }

    void StoreRecordKeys()
    {
        Fixture f;
        f.ctx.Options().SetAllPresentAndOn();
        f.ctx.Options().SetFactoryValues();
        f.ctx.SerialSettings().currentText = "1F";
        QVERIFY(SettingsStore::Save(f.ctx));
        const auto store = StoreAt(f);
        QCOMPARE(store->value("SERIALNUM/nexthexsn").toString(), QString("1F"));
        QCOMPARE(store->value("CONTROL/PPW").toInt(), 1);
        QCOMPARE(store->value("OPTIONS/BLOCKCP").toInt(), 1);
        for (const char* absent : {"OPTIONS/LOCKVIEW", "CONTROL/PSED"})
            QVERIFY2(!store->contains(absent), absent);
    }

    void PortMap()
    {
        Fixture f;
        WorkstationSettings& s = f.ctx.Workstation();
        // No USB adapter present, whatever this machine has plugged in.
        QTemporaryDir noAdapters;
        s.SetAdapterDirectory(noAdapters.path());
        QCOMPARE(s.PortTarget("COM1"), WorkstationSettings::PlatformPortTarget(1));
#ifndef Q_OS_WIN
        QCOMPARE(s.PortTarget("COM9"), QString("/dev/ttyUSB8"));
#endif
        s.SetStoredPortTarget(2, "/dev/ttyS1");
        QCOMPARE(s.PortTarget("COM2"), QString("/dev/ttyS1"));
        qputenv("PRAXON_COM2", "loop://bench");
        QCOMPARE(s.PortTarget("COM2"), QString("loop://bench"));
        QCOMPARE(s.PortTarget(2), QString("loop://bench"));
        qunsetenv("PRAXON_COM2");
        QCOMPARE(s.PortTarget("COM2"), QString("/dev/ttyS1"));
        QCOMPARE(s.PortTarget("/dev/ttyACM0"), QString("/dev/ttyACM0"));
        QVERIFY(s.PortTarget(10).isEmpty());
        // The map is saved with its defaults so that it can be edited in the store.
        QVERIFY(SettingsStore::Save(f.ctx));
        QCOMPARE(StoreAt(f)->value("PORTS/COM4").toString(), WorkstationSettings::PlatformPortTarget(4));
        QCOMPARE(StoreAt(f)->value("PORTS/COM2").toString(), QString("/dev/ttyS1"));
    }

    void RecentFileList()
    {
        WorkstationSettings s;
        QSignalSpy changed(&s, &WorkstationSettings::RecentFilesChanged);
        s.SetRecentFiles({"/p/a.hex", "/p/b.hex", "/p/c.hex", "/p/d.hex", "/p/e.hex"});
        s.AddRecentFile("/p/e.hex"); // the fifth moves to the top
        QCOMPARE(s.RecentFiles(), (QStringList{"/p/e.hex", "/p/a.hex", "/p/b.hex", "/p/c.hex", "/p/d.hex"}));
        const int before = int(changed.size());
        s.AddRecentFile("/p/e.hex"); // already first: nothing changes
        QCOMPARE(int(changed.size()), before);
#ifndef Q_OS_WIN
        s.AddRecentFile("/p/A.hex"); // another file where case counts
        QCOMPARE(s.RecentFiles().mid(0, 3), (QStringList{"/p/A.hex", "/p/e.hex", "/p/a.hex"}));
#endif
        for (int i = 0; i < 40; ++i)
            s.AddRecentFile(QStringLiteral("/q/%1.hex").arg(i));
        QCOMPARE(s.RecentFiles().size(), 35);
        QCOMPARE(s.RecentFiles().first(), QString("/q/39.hex"));
    }

    // The recent-file array's size comes from the file: a hostile one is read only up to the
    // list's own length (walking it all hung the start-up while memory grew past gigabytes).
    void HostileRecentListSizeReadsOnlyTheList()
    {
        Fixture f;
        QStringList stored;
        {
            const auto store = StoreAt(f);
            store->setValue("HEX HISTORY/size", 2147483647);
            for (int i = 1; i <= 40; ++i) {
                stored << QStringLiteral("/r/%1.hex").arg(i);
                store->setValue(QStringLiteral("HEX HISTORY/%1/path").arg(i), stored.last());
            }
        }
        SettingsStore::Load(f.ctx);
        QCOMPARE(f.ctx.Workstation().RecentFiles(), stored.mid(0, WorkstationSettings::MaxRecentFiles));
    }

    // Paths in any script come back exactly, from an installation in such a folder too; a store
    // edited by hand in Latin-1 still reads.
    void PathsOutsideLatin1ComeBack()
    {
        Fixture f;
        const QString folder = f.WorkFile(QStringLiteral("\u041F\u0440\u043E\u0448\u0438\u0432\u043A\u0430"));
        QVERIFY(QDir().mkpath(folder));
        const QString hex = folder + QStringLiteral("/\u041F\u043B\u0430\u0442\u0430.hex");
        WriteFile(hex, ":00000001FF\r\n");
        const QString appDir =
            f.appDir.filePath(QStringLiteral("\u041F\u0440\u043E\u0433\u0440\u0430\u043C\u043C\u0430/"));
        QVERIFY(QDir().mkpath(appDir));
        ScriptedOperator op;
        AppContext first(op, appDir);
        first.File().hexPath = hex;
        first.File().controlPath = ControlFile::ControlPathFor(hex);
        first.Workstation().SetRecentFiles({hex, folder + QStringLiteral("/\u0414\u0440\u0443\u0433\u0430\u044F.hex")});
        QVERIFY(SettingsStore::Save(first));
        AppContext next(op, appDir);
        SettingsStore::Load(next);
        QCOMPARE(next.File().hexPath, hex);
        QCOMPARE(next.File().controlPath, first.File().controlPath);
        QCOMPARE(next.Workstation().RecentFiles(), first.Workstation().RecentFiles());

        WriteFile(f.settings.StoreFile(),
                  "[" + SettingsStore::KeyPath(f.ctx.AppDir()).toUtf8() + "/CONTROL]\nHEXFILE=/data/M\xFCller/b.hex\n");
        SettingsStore::Load(f.ctx);
        QCOMPARE(f.ctx.File().hexPath, QStringLiteral("/data/M\u00FCller/b.hex"));
    }

    void PlacementClamp_data()
    {
        QTest::addColumn<WindowPlacement>("record");
        QTest::addColumn<WindowPlacement>("clamped");
        // Work area: left 0, top 30, 1920 x 1050.
        QTest::newRow("inside") << WindowPlacement{100, 200, 400, 600, 1} << WindowPlacement{100, 200, 400, 600, 1};
        QTest::newRow("10 above the top")
            << WindowPlacement{20, 10, 400, 600, 0} << WindowPlacement{30, 10, 400, 600, 0};
        QTest::newRow("3 above the top") << WindowPlacement{27, 10, 400, 600, 0}
                                         << WindowPlacement{27, 10, 400, 600, 0};
        QTest::newRow("below the bottom")
            << WindowPlacement{1070, 10, 400, 600, 0} << WindowPlacement{680, 10, 400, 600, 0};
        QTest::newRow("too large") << WindowPlacement{0, -50, 2000, 3000, 0} << WindowPlacement{30, 0, 1050, 1920, 0};
        QTest::newRow("off to the right")
            << WindowPlacement{100, 1910, 400, 600, 0} << WindowPlacement{100, 1320, 400, 600, 0};
    }

    void PlacementClamp()
    {
        QFETCH(WindowPlacement, record);
        QFETCH(WindowPlacement, clamped);
        ClampPlacement(record, QRect(0, 30, 1920, 1050));
        QCOMPARE(record.top, clamped.top);
        QCOMPARE(record.left, clamped.left);
        QCOMPARE(record.height, clamped.height);
        QCOMPARE(record.width, clamped.width);
    }

    void UnwritableStoreIsReported()
    {
        Fixture f;
        f.ctx.Window().SetPortIndex(1);
        QVERIFY(SettingsStore::Save(f.ctx));
        const QByteArray before = ReadFile(f.settings.StoreFile());
        QVERIFY(!before.isEmpty());
        f.ctx.Window().SetPortIndex(6);
        f.ctx.Workstation().SetRecentFiles({QString(4000, u'x')});
        {
            const OptionsTest::FileSizeLimit full(before.size() + 16);
            QVERIFY(!SettingsStore::Save(f.ctx));
        }
        QCOMPARE(f.op.Captions(), QStringList{"File Error"});
        QVERIFY(f.op.Texts().first().startsWith("Error Writing to Settings File: "));
        QCOMPARE(ReadFile(f.settings.StoreFile()), before);
    }

    // An interrupted load (a control-file length beyond 65535) still leaves a usable state.
    void InterruptedLoadFallsBack()
    {
        Fixture f;
        f.ctx.File().hexPath = f.WorkFile("bad.hex");
        f.ctx.File().controlPath = f.WorkFile("bad.PXC");
        WriteFile(f.ctx.File().controlPath,
                  "[OPTIONS]\r\nVERIFY=0\r\nMCUoverride=1\r\nDEV=\r\n[SERIALNUM]\r\nlength=70000\r\n");
        f.ctx.Window().SetPortIndex(3);
        {
            const auto store = StoreAt(f);
            store->setValue("OPTIONS/PORT", 4);
        }
        QVERIFY_THROWS_EXCEPTION(ErrorOut, SettingsStore::Load(f.ctx));
        QCOMPARE(f.ctx.Window().PortIndex(), 0);
        QCOMPARE(f.ctx.File().mcuName, QString("16F877"));
        QVERIFY(f.ctx.Options().IsSet(Verify)); // factory values
        QVERIFY(f.ctx.Options().IsSet(WarnProtection));
        QVERIFY(!f.ctx.Workstation().Loading());
    }
};

QTEST_GUILESS_MAIN(TestSettingsStore)
#include "TestSettingsStore.moc"
