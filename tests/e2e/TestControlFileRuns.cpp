// Runs the real praxon executable headless, twice and more, on HEX files without control files,
// with the settings store in a temporary directory: the control file a first run creates, an
// option changed in it taking effect in the next run, and the store's memory of the last file.

#include "PraxonProcess.h"
#include "TestPaths.h"
#include "core/options/SettingsStore.h"
#include "core/util/IniFile.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// No programmer box answers on COM1 in these runs: the reset at the end of start-up records a
// port error (bit 0x01), which becomes the exit status.
constexpr int NoBoxStatus = 1;

using Run = PraxonRun;

class Station
{
public:
    Run Praxon(const QStringList& args) const
    {
        return RunPraxonHeadless(QStringLiteral(PRAXON_EXECUTABLE), args, {{"PRAXON_SETTINGS_DIR", m_settings.path()}},
                                 m_work.path());
    }

    QString Sample(const QString& name) const
    {
        const QString path = m_work.filePath(name);
        QFile::copy(TestPaths::Samples() + "BLINK877A.HEX", path);
        return path;
    }
    QString WorkFile(const QString& name) const { return m_work.filePath(name); }

    // A key of the settings store, as the program in the build tree keeps it.
    QString Stored(const QString& section, const QString& key) const
    {
        const IniFile store(m_settings.filePath("Kestrix/PX.ini"));
        return store.ReadString(SettingsStore::KeyPath(TestPaths::RuntimeDir()) + u'/' + section, key, "<missing>");
    }

private:
    QTemporaryDir m_settings;
    QTemporaryDir m_work;
};

const QString CreatedNotice = "A Control File did not exist for the specified HEX file.";

QString Padded(const QString& text, const QString& value)
{
    return text.leftJustified(40) + value;
}

// The digits of the checksum lines the run printed.
QStringList Checksums(const QString& out)
{
    QStringList sums;
    const QRegularExpression line("Checksum Calculated: \\$([0-9A-F]+)");
    for (auto it = line.globalMatch(out); it.hasNext();)
        sums << it.next().captured(1);
    return sums;
}
} // namespace

class TestControlFileRuns : public QObject
{
    Q_OBJECT
private slots:
    void FirstRunCreatesSecondRunObeys()
    {
        Station station;
        const QString hex = station.Sample("Widget.hex");
        const Run first = station.Praxon({hex});
        QCOMPARE(first.status, NoBoxStatus);
        QVERIFY2(first.err.contains(CreatedNotice), qPrintable(first.err));
        const QString control = station.WorkFile("Widget.PXC");
        QVERIFY(QFile::exists(control));
        {
            const IniFile created(control);
            QCOMPARE(created.ReadString("OPTIONS", "BLOCKCP", ""), QString("1"));
            QCOMPARE(created.ReadString("OPTIONS", "VERIFY", ""), QString("1"));
            QCOMPARE(created.ReadString("OPTIONS", "CKSUMMC", ""), QString("0"));
            QCOMPARE(created.ReadString("OPTIONS", "MCUoverride", ""), QString("0"));
            QCOMPARE(created.ReadString("CONTROL", "HEXFILE", ""), hex);
            QCOMPARE(created.ReadString("SERIALNUM", "length", ""), QString("1"));
        }
        QCOMPARE(station.Stored("CONTROL", "HEXFILE"), hex);
        const QStringList firstSums = Checksums(first.out);
        QVERIFY2(!firstSums.isEmpty(), qPrintable(first.out));
        QCOMPARE(firstSums.last().size(), 8);

        // The operator changes the file by hand: Microchip checksums, a fixed MCU, no reads.
        IniFile edited(control);
        edited.WriteString("OPTIONS", "CKSUMMC", "1");
        edited.WriteString("OPTIONS", "MCUoverride", "1");
        edited.WriteString("OPTIONS", "DEV", "16F877A");
        edited.WriteString("OPTIONS", "NOREAD", "1");
        QVERIFY(edited.Save());

        const Run second = station.Praxon({hex});
        QCOMPARE(second.status, NoBoxStatus);
        QVERIFY2(!second.err.contains(CreatedNotice), qPrintable(second.err));
        QVERIFY2(second.out.contains(Padded("  Loaded settings for MCU: ", "16F877A")), qPrintable(second.out));
        const QStringList secondSums = Checksums(second.out);
        QVERIFY2(!secondSums.isEmpty(), qPrintable(second.out));
        QCOMPARE(secondSums.last().size(), 4);
        // The program's record of the last settings now holds the file's options.
        QCOMPARE(station.Stored("OPTIONS", "NOREAD"), QString("1"));
        QCOMPARE(station.Stored("OPTIONS", "CKSUMMC"), QString("1"));
        // The control file itself was not rewritten by a run that changed nothing.
        QCOMPARE(IniFile(control).ReadString("OPTIONS", "DEV", ""), QString("16F877A"));

        // Without arguments the last file is opened again, with its own options.
        const Run third = station.Praxon({});
        QCOMPARE(third.status, NoBoxStatus);
        QVERIFY(third.out.contains(Padded("  Loaded settings for MCU: ", "16F877A")));
        QCOMPARE(Checksums(third.out).last().size(), 4);
    }

    void AnotherProductStartsFromFactoryValues()
    {
        Station station;
        const QString a = station.Sample("ProductA.hex");
        QCOMPARE(station.Praxon({a}).status, NoBoxStatus);
        IniFile edited(station.WorkFile("ProductA.PXC"));
        edited.WriteString("OPTIONS", "VERIFY", "0");
        edited.WriteString("SERIALNUM", "last_hex", "4D2");
        QVERIFY(edited.Save());
        QCOMPARE(station.Praxon({a}).status, NoBoxStatus);

        const QString b = station.Sample("ProductB.hex");
        const Run run = station.Praxon({b});
        QCOMPARE(run.status, NoBoxStatus);
        QVERIFY(run.err.contains(CreatedNotice));
        const IniFile created(station.WorkFile("ProductB.PXC"));
        QCOMPARE(created.ReadString("OPTIONS", "VERIFY", ""), QString("1"));
        QCOMPARE(created.ReadString("SERIALNUM", "last_hex", ""), QString("0"));
        QCOMPARE(IniFile(station.WorkFile("ProductA.PXC")).ReadString("SERIALNUM", "last_hex", ""), QString("4D2"));
        QCOMPARE(station.Stored("CONTROL", "HEXFILE"), b);
    }

    void ExistingControlFileInAnotherCase()
    {
        Station station;
        const QString hex = station.Sample("board.hex");
        QFile control(station.WorkFile("BOARD.PXC"));
        QVERIFY(control.open(QIODevice::WriteOnly));
        control.write("[OPTIONS]\r\nMCUoverride=1\r\nDEV=16F877A\r\n");
        control.close();
        const Run run = station.Praxon({hex});
        QCOMPARE(run.status, NoBoxStatus);
        QVERIFY(!run.err.contains(CreatedNotice));
        QVERIFY(run.out.contains(Padded("  Loaded settings for MCU: ", "16F877A")));
        QCOMPARE(QDir(station.WorkFile("")).entryList({"*.pxc", "*.PXC"}, QDir::Files), QStringList{"BOARD.PXC"});
    }
};

QTEST_GUILESS_MAIN(TestControlFileRuns)
#include "TestControlFileRuns.moc"
