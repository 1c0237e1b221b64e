// Unattended Auto Runs (praxon /X, sockets A and B) against a praxon-boxsim process with files an
// operator or a damaged disk may hand the program: folders named outside Latin-1, whose paths the
// program stores in the control file and the settings and must find again (the SQTP file and its
// log among them), and a settings store and templates whose counts are hostile.

#include "BoxSimProcess.h"
#include "SqtpLot.h"
#include "TestPaths.h"
#include "core/options/SettingsStore.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QtTest>

namespace {

bool WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// One workstation: its settings directory (sockets A and B in use), an application directory
// (the shipped support files unless a test changes them) and a simulator process.
class Station
{
public:
    Station()
        : m_box(QStringLiteral(PRAXON_BOXSIM),
                {QStringLiteral("--verbose"), QStringLiteral("--watch"), QStringLiteral("0x200:2")})
    {
        const QDir shipped(TestPaths::ShippedData());
        QDir().mkpath(AppDir());
        for (const QString& name : shipped.entryList(QDir::Files))
            QFile::copy(shipped.filePath(name), AppDir() + u'/' + name);
        QDir().mkpath(m_dir.filePath(QStringLiteral("settings/Kestrix")));
        StoreSection("SOCKETS", "A=1\nB=1\n");
    }
    bool Ready() const { return !m_box.Url().isEmpty(); }
    QString AppDir() const { return m_dir.filePath(QStringLiteral("app")); }
    QString Path(const QString& name) const { return m_dir.filePath(name); }
    // Appends a section of this installation's group to the settings store.
    void StoreSection(const QByteArray& section, const QByteArray& lines)
    {
        QFile file(m_dir.filePath(QStringLiteral("settings/Kestrix/PX.ini")));
        QVERIFY(file.open(QIODevice::Append));
        file.write("[" + SettingsStore::KeyPath(AppDir()).toUtf8() + "/" + section + "]\n" + lines);
    }
    // Runs praxon with the arguments; returns its exit code (-1: it did not end in time).
    int Run(const QStringList& args, QString* log, QString* err)
    {
        QProcess praxon;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        env.insert(QStringLiteral("PRAXON_AUTO_ANSWER"), QStringLiteral("1"));
        env.insert(QStringLiteral("PRAXON_SETTINGS_DIR"), m_dir.filePath(QStringLiteral("settings")));
        env.insert(QStringLiteral("PRAXON_COM1"), m_box.Url());
        env.insert(QStringLiteral("PRAXON_APP_DIR"), AppDir());
        env.remove(QStringLiteral("DISPLAY"));
        praxon.setProcessEnvironment(env);
        const QString logPath = m_dir.filePath(QStringLiteral("run%1.log").arg(++m_runs));
        praxon.start(QStringLiteral(PRAXON_EXECUTABLE), args + QStringList{"/X", "/L" + logPath});
        if (!praxon.waitForFinished(90000)) {
            praxon.kill();
            praxon.waitForFinished();
            return -1;
        }
        *log = QString::fromUtf8(ReadFile(logPath));
        *err = QString::fromLocal8Bit(praxon.readAllStandardError());
        return praxon.exitStatus() == QProcess::NormalExit ? praxon.exitCode() : -2;
    }
    BoxSimProcess& Box() { return m_box; }

private:
    QTemporaryDir m_dir;
    BoxSimProcess m_box;
    int m_runs = 0;
};

QString Context(const QString& log, const QString& err)
{
    return QStringLiteral("\n--- log\n%1\n--- stderr\n%2").arg(log.right(1500), err.right(1500));
}

} // namespace

class TestHostileFiles : public QObject
{
    Q_OBJECT
private slots:
    // A HEX file in a Cyrillic folder: the control file the first run creates names it so that the
    // control file, opened directly, finds it again; an SQTP file in another such folder is found,
    // its log created beside it, and each run takes the next two numbers.
    void FoldersOutsideLatin1()
    {
        Station station;
        QVERIFY(station.Ready());
        const QString work = station.Path(QStringLiteral("\u0426\u0435\u0445 \u2116 2/\u041B\u0438\u043D\u0438\u044F"));
        const QString lot = station.Path(QStringLiteral("\u041D\u043E\u043C\u0435\u0440\u0430"));
        QVERIFY(QDir().mkpath(work) && QDir().mkpath(lot));
        const QString hex = work + QStringLiteral("/\u041F\u043B\u0430\u0442\u0430.hex");
        const QString control = work + QStringLiteral("/\u041F\u043B\u0430\u0442\u0430.PXC");
        QVERIFY(QFile::copy(TestPaths::Samples() + QStringLiteral("BLINK877A.HEX"), hex));
        const QString sqtp = lot + QStringLiteral("/\u043F\u0430\u0440\u0442\u0438\u044F.num");
        const QString serialLog = lot + QStringLiteral("/\u043F\u0430\u0440\u0442\u0438\u044F.PXL");
        const QByteArray original = SqtpLot::File(8);
        QVERIFY(WriteFile(sqtp, original));

        // The first run makes the control file and, as for any new file, runs nothing.
        QString log, err;
        QCOMPARE(station.Run({hex, "/D16F877A"}, &log, &err), 128);
        QByteArray text = ReadFile(control);
        QVERIFY2(text.contains("\r\nHEXFILE=" + hex.toUtf8() + "\r\n"), text.constData());

        // The operator turns SQTP numbering on in the created file.
        for (const auto& [from, to] : {std::pair<QByteArray, QByteArray>{"PrgSNOpt=0", "PrgSNOpt=1"},
                                       {"UseSQTP=0", "UseSQTP=1"},
                                       {"SQTPF=[none selected]", "SQTPF=" + sqtp.toUtf8()},
                                       {"LOGF=[none]", "LOGF=" + serialLog.toUtf8()}}) {
            QVERIFY2(text.contains(from), from.constData());
            text.replace(from, to);
        }
        QVERIFY(WriteFile(control, text));

        for (int run = 1; run <= 2; ++run) {
            const int status = station.Run({control, "/D16F877A"}, &log, &err);
            QVERIFY2(status == 0, qPrintable(QString::number(status) + Context(log, err)));
            QVERIFY2(log.contains(QStringLiteral("Control File Specified For: ")) && log.contains(hex),
                     qPrintable(Context(log, err)));
            QCOMPARE(SqtpLot::UsedPrefix(ReadFile(sqtp), original), 2 * run);
            const QStringList logged =
                QString::fromUtf8(ReadFile(serialLog)).split(u'\n').filter(QStringLiteral(",PASSED,"));
            QCOMPARE(logged.size(), 2 * run);
        }
        // Each number reached one chip, none twice.
        QStringList onChips = ChipNumbers(station.Box().TakeReport(100));
        onChips.sort();
        QCOMPARE(onChips, (QStringList{"0001", "0002", "0003", "0004"}));
    }

    // A store whose recent-file list claims 2147483647 entries, and templates whose task rows give
    // step counts that do not match their steps: the start-up ends at once, the rows are refused
    // with the file and line, and the Auto Run fails without touching a part instead of passing.
    void HostileCounts_data()
    {
        QTest::addColumn<QByteArray>("row");  // the shipped row of the 16F87XA template
        QTest::addColumn<QByteArray>("with"); // what it becomes
        QTest::addColumn<int>("line");        // its line in PX2800.PXT
        QTest::newRow("Auto Run count -5")
            << QByteArray("0=0,0,16,1,11,3,13,14,16,19,20,22,25,26,17,23") << QByteArray("0=0,0,16,1,-5,3") << 60;
        QTest::newRow("program count 2147483647")
            << QByteArray("3=12,1,3,1,3,13,14,16") << QByteArray("3=12,1,3,1,2147483647,13,14,16") << 63;
    }
    void HostileCounts()
    {
        QFETCH(QByteArray, row);
        QFETCH(QByteArray, with);
        QFETCH(int, line);
        Station station;
        QVERIFY(station.Ready());
        station.StoreSection("HEX HISTORY", "size=2147483647\n");
        station.StoreSection("HEX HISTORY/1", "path=/none/Old.hex\n");
        const QString templates = station.AppDir() + QStringLiteral("/PX2800.PXT");
        QByteArray text = ReadFile(templates);
        const qsizetype at = text.indexOf("\n" + row + "\n", text.indexOf("[TP16F87XA]\n")) + 1;
        QVERIFY(at > 0);
        QCOMPARE(text.left(at).count('\n') + 1, line);
        text.replace(at, row.size(), with);
        QVERIFY(QFile::remove(templates) && WriteFile(templates, text));

        const QString hex = station.Path(QStringLiteral("BLINK877A.HEX"));
        QVERIFY(QFile::copy(TestPaths::Samples() + QStringLiteral("BLINK877A.HEX"), hex));
        QVERIFY(QFile::copy(TestPaths::Samples() + QStringLiteral("BLINK877A.PXC"),
                            station.Path(QStringLiteral("BLINK877A.PXC"))));
        QString log, err;
        const int status = station.Run({hex, "/D16F877A"}, &log, &err);
        QVERIFY2(status == 8, qPrintable(QString::number(status) + Context(log, err)));
        QVERIFY2(err.contains(QStringLiteral("Task Row Refused in Template File:")) &&
                     err.contains(templates + QStringLiteral(", line %1:").arg(line)),
                 qPrintable(Context(log, err)));
        const QString report = station.Box().TakeReport(100);
        QVERIFY2(!report.contains(QStringLiteral("operation 0x")) && !report.contains(QStringLiteral("watch ")),
                 qPrintable(QStringLiteral("the box ran operations:\n") + report.right(1500)));
    }
};

QTEST_GUILESS_MAIN(TestHostileFiles)
#include "TestHostileFiles.moc"
