// Runs the real praxon executable headless with four sockets chosen in the settings store and a
// control file whose options allow one socket only: the sockets are switched off with the
// "Socket Selection Notice", never silently.

#include "PraxonProcess.h"
#include "TestPaths.h"
#include "core/options/SettingsStore.h"
#include "core/util/IniFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

class TestSocketSelectionRuns : public QObject
{
    Q_OBJECT
private slots:
    void SingleSocketRuleAtStartUpIsAnnounced_data()
    {
        QTest::addColumn<bool>("selfPowered");
        QTest::addColumn<int>("socketsAfter");
        QTest::newRow("self-powered target") << true << 1;
        QTest::newRow("powered target") << false << 4;
    }

    void SingleSocketRuleAtStartUpIsAnnounced()
    {
        QFETCH(bool, selfPowered);
        QFETCH(int, socketsAfter);
        QTemporaryDir dir;
        const QString hex = dir.filePath("BLINK877A.HEX");
        const QString control = dir.filePath("BLINK877A.PXC");
        QVERIFY(QFile::copy(TestPaths::Samples() + "BLINK877A.HEX", hex));
        QVERIFY(QFile::copy(TestPaths::Samples() + "BLINK877A.PXC", control));
        QFile::setPermissions(control, QFile::ReadOwner | QFile::WriteOwner);
        IniFile file(control);
        file.WriteString("OPTIONS", "NoVDD", selfPowered ? "1" : "0");
        QVERIFY(file.Save());
        QVERIFY(QDir().mkpath(dir.filePath("settings/Kestrix")));
        const QString settings = dir.filePath("settings/Kestrix/PX.ini");
        const QString sockets = SettingsStore::KeyPath(TestPaths::RuntimeDir()) + "/SOCKETS";
        IniFile store(settings);
        for (const char* socket : {"A", "B", "C", "D"})
            store.WriteString(sockets, socket, "1");
        QVERIFY(store.Save());

        // No box answers: the run ends at the reset, after the sockets have been settled.
        const PraxonRun run = RunPraxonHeadless(QStringLiteral(PRAXON_EXECUTABLE), {hex, "/D16F877A"},
                                                {{"PRAXON_SETTINGS_DIR", dir.filePath("settings")}});
        QVERIFY2(run.status >= 0, qPrintable(run.err));
        const QString notice = "praxon: box: Socket Selection Notice: Current Option Settings Prohibit Selecting "
                               "Multiple Sockets.";
        QCOMPARE(run.err.contains(notice), selfPowered);
        QCOMPARE(run.err.count("Socket Selection Notice"), selfPowered ? 1 : 0);
        const IniFile saved(settings);
        int on = 0;
        for (const char* socket : {"A", "B", "C", "D"})
            on += saved.ReadString(sockets, socket, "0") == "1" ? 1 : 0;
        QVERIFY2(on == socketsAfter, qPrintable(run.err));
    }
};

QTEST_GUILESS_MAIN(TestSocketSelectionRuns)
#include "TestSocketSelectionRuns.moc"
