#include "core/context/AppContext.h"
#include "core/devices/SupportFiles.h"
#include "core/util/IniFile.h"

#include "ScriptedOperator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMap>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const QString Software = QStringLiteral("Version 2.8.0");

const QString MissingText = QStringLiteral(
    "Required Support Files for Version 2.8.0 are Missing.\rPlease re-install software or Contact Kestrix Support.");
const QString IncompatibleText = QStringLiteral("Support Files found are not compatible with Software Version "
                                                "2.8.0.\rPlease re-install software or Contact Kestrix Support.");
const QString UpdateInconsistentText =
    QStringLiteral("Detected update files do not match or are not complete. Unable to complete update.\r\rPlease "
                   "re-install update or use complete installation files.");
const QString UpdateIncompleteText = QStringLiteral("Required update files are missing.\rUnable to complete "
                                                    "update.\r\rPlease re-install update or use complete "
                                                    "installation files.");
const QString DeleteFailedText = QStringLiteral("Unable to delete older files to complete updates.\r\rPlease close "
                                                "this program, check file permissions\rthen restart the Praxon "
                                                "software.");
const QString InstallFailedText = QStringLiteral("Unable to rename current update files to complete "
                                                 "updates.\rPlease close this program, check file permissions\rand "
                                                 "re-install the Praxon software.");

// What one set of support files looks like when a test writes it.
struct SetLayout {
    QString version = QStringLiteral("283");
    QString date = QStringLiteral("2024-03-01");
    int red = 2;  // -1: leave RED out (default 6)
    int mod = -1; // -1: leave MOD out (default 4)
    QString table = QStringLiteral("TBL");
    QString templates = QStringLiteral("PXT");
    QString firmware = QStringLiteral("DAT");
    QString tag = QStringLiteral("old"); // written into every file so a test can tell sets apart
};

void WriteFile(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly | QIODevice::Truncate), qPrintable(path));
    file.write(bytes);
}

QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray("<missing>");
    return file.readAll();
}

QByteArray SupportIni(const QString& software, const QString& date, const QString& tag, const QString& extra = {})
{
    return QStringLiteral("[PRAXON]\r\nSOFTWARE=%1\r\nDATE=%2\r\nTAG=%3\r\n%4")
        .arg(software, date, tag, extra)
        .toLatin1();
}

// Writes a complete set into dir (with trailing separator); returns the names written.
QStringList WriteSet(const QString& dir, const SetLayout& layout)
{
    QStringList names;
    QString mainExtra = QStringLiteral("VERSION=%1\r\n").arg(layout.version);
    if (layout.red >= 0)
        mainExtra += QStringLiteral("RED=%1\r\n").arg(layout.red);
    if (layout.mod >= 0)
        mainExtra += QStringLiteral("MOD=%1\r\n").arg(layout.mod);
    names << QStringLiteral("PXMCU.") + layout.table;
    WriteFile(dir + names.last(), SupportIni(Software, layout.date, layout.tag, mainExtra));

    const int red = layout.red >= 0 ? layout.red : 6;
    for (int n = 1; n <= red; ++n) {
        names << QStringLiteral("PXMCU%1.%2").arg(n).arg(layout.table);
        WriteFile(dir + names.last(), SupportIni(Software, layout.date, layout.tag));
    }
    for (int which = 0; which < 2; ++which) {
        names << TemplateFileName(layout.version, which, layout.templates);
        WriteFile(dir + names.last(), SupportIni(Software, layout.date, layout.tag));
    }
    const int mod = layout.mod >= 0 ? layout.mod : 4;
    for (int i = 0; i < mod; ++i) {
        names << FirmwareFileName(layout.version, QChar(u'A' + i), layout.firmware);
        WriteFile(dir + names.last(), layout.tag.toLatin1() + " firmware image");
    }
    return names;
}

SetLayout UpdateLayout()
{
    SetLayout layout;
    layout.version = QStringLiteral("284");
    layout.date = QStringLiteral("2024-09-15");
    layout.table = QStringLiteral("TBX");
    layout.templates = QStringLiteral("PXX");
    layout.firmware = QStringLiteral("DAX");
    layout.tag = QStringLiteral("new");
    return layout;
}

// Every entry of dir with its content (directories as "<dir>"), to prove that nothing changed.
QMap<QString, QByteArray> Snapshot(const QString& dir)
{
    QMap<QString, QByteArray> entries;
    const QFileInfoList infos =
        QDir(dir).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    for (const QFileInfo& info : infos)
        entries.insert(info.fileName(), info.isDir() ? QByteArray("<dir>") : ReadFile(info.filePath()));
    return entries;
}

// name with its extension mapped through map (update or installed extension to the next one).
const QMap<QString, QString> Backup{{"TBL", "TBK"}, {"PXT", "PXK"}, {"DAT", "DAK"}};
const QMap<QString, QString> Installed{{"TBX", "TBL"}, {"PXX", "PXT"}, {"DAX", "DAT"}};
QString WithExtension(const QString& name, const QMap<QString, QString>& map)
{
    const QFileInfo info(name);
    return info.completeBaseName() + u'.' + map.value(info.suffix());
}

QStringList NamesWithExtension(const QString& dir, const QString& extension)
{
    return QDir(dir).entryList({QStringLiteral("*.") + extension}, QDir::Files, QDir::Name);
}

// One test's application directory with its context and scripted operator.
struct Fixture {
    QTemporaryDir temp;
    ScriptedOperator op;
    AppContext ctx{op, temp.path()};
    QString Dir() const { return ctx.AppDir(); }
    QString File(const QString& name) const { return ctx.AppFile(name); }
};

void VerifySingleBox(const ScriptedOperator& op, const QString& caption, const QString& text, BoxIcon icon,
                     SoundKind sound)
{
    QCOMPARE(op.boxes.size(), 1);
    QCOMPARE(op.boxes.first().caption, caption);
    QCOMPARE(op.boxes.first().text, text);
    QCOMPARE(op.boxes.first().icon, icon);
    QCOMPARE(op.boxes.first().sound, sound);
}
} // namespace

class TestSupportFiles : public QObject
{
    Q_OBJECT
private slots:
    void FileNames()
    {
        QCOMPARE(TemplateFileName(QStringLiteral("283"), 0), QStringLiteral("PX2830.PXT"));
        QCOMPARE(TemplateFileName(QStringLiteral("283"), 1), QStringLiteral("PX2831.PXT"));
        QCOMPARE(TemplateFileName(QStringLiteral("283"), 1, QStringLiteral("PXX")), QStringLiteral("PX2831.PXX"));
        QCOMPARE(FirmwareFileName(QStringLiteral("283"), u'A'), QStringLiteral("PX011BA.DAT"));
        QCOMPARE(FirmwareFileName(QStringLiteral("283"), u'D', QStringLiteral("DAX")), QStringLiteral("PX011BD.DAX"));
        QCOMPARE(FirmwareFileName(QStringLiteral("65535"), u'B'), QStringLiteral("PXFFFFB.DAT"));
        // V is used as written; only H is derived from its value.
        QCOMPARE(TemplateFileName(QStringLiteral("0283"), 0), QStringLiteral("PX02830.PXT"));
        QCOMPARE(FirmwareFileName(QStringLiteral("0283"), u'A'), QStringLiteral("PX011BA.DAT"));
        for (const char* bad : {"NONE", "", "28a", "-1", "+283", "2.8", "65536", "99999999999"}) {
            QVERIFY2(TemplateFileName(QLatin1String(bad), 0).isEmpty(), bad);
            QVERIFY2(FirmwareFileName(QLatin1String(bad), u'A').isEmpty(), bad);
        }
    }

    void CompleteSetPassesAndFillsState()
    {
        Fixture f;
        const QStringList names = WriteSet(f.Dir(), SetLayout());
        // VERSION 283 with the default MOD of 4 needs exactly these template and image names.
        for (const char* name :
             {"PX2830.PXT", "PX2831.PXT", "PX011BA.DAT", "PX011BB.DAT", "PX011BC.DAT", "PX011BD.DAT"})
            QVERIFY(names.contains(QLatin1String(name)));
        f.ctx.Support() = SupportFileState{};

        QVERIFY(CheckSupportFiles(f.ctx));
        QVERIFY(f.op.boxes.isEmpty());
        QCOMPARE(f.ctx.Support().softwareText, Software);
        QCOMPARE(f.ctx.Support().versionText, QStringLiteral("283"));
        QCOMPARE(f.ctx.Support().tableDate, QStringLiteral("2024-03-01"));
    }

    void MissingFile_data()
    {
        QTest::addColumn<QString>("removed");
        QTest::addColumn<int>("red");
        QTest::newRow("main table") << "PXMCU.TBL" << 2;
        QTest::newRow("extension table") << "PXMCU2.TBL" << 2;
        QTest::newRow("template 0") << "PX2830.PXT" << 2;
        QTest::newRow("last firmware image") << "PX011BD.DAT" << 2;
        QTest::newRow("sixth table under the default RED") << "PXMCU6.TBL" << -1;
    }
    void MissingFile()
    {
        QFETCH(QString, removed);
        QFETCH(int, red);
        Fixture f;
        SetLayout layout;
        layout.red = red;
        WriteSet(f.Dir(), layout);
        QVERIFY(QFile::remove(f.File(removed)));

        QVERIFY(!CheckSupportFiles(f.ctx));
        VerifySingleBox(f.op, QStringLiteral("Support File Missing"), MissingText, BoxIcon::Error, SoundKind::Error);
    }

    void Incompatible_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("section");
        QTest::addColumn<QString>("key");
        QTest::addColumn<QString>("value");
        QTest::newRow("main SOFTWARE") << "PXMCU.TBL"
                                       << "PRAXON"
                                       << "SOFTWARE"
                                       << "Version 2.7.9";
        QTest::newRow("main SOFTWARE missing") << "PXMCU.TBL"
                                               << "PRAXON"
                                               << "SOFTWARE" << QString();
        QTest::newRow("extension SOFTWARE") << "PXMCU2.TBL"
                                            << "PRAXON"
                                            << "SOFTWARE"
                                            << "Version 2.8.1";
        QTest::newRow("extension DATE") << "PXMCU1.TBL"
                                        << "PRAXON"
                                        << "DATE"
                                        << "2023-12-24";
        QTest::newRow("template DATE") << "PX2831.PXT"
                                       << "PRAXON"
                                       << "DATE"
                                       << "2023-12-24";
        QTest::newRow("template SOFTWARE") << "PX2830.PXT"
                                           << "PRAXON"
                                           << "SOFTWARE"
                                           << "NONE";
        QTest::newRow("VERSION not decimal") << "PXMCU.TBL"
                                             << "PRAXON"
                                             << "VERSION"
                                             << "2.8.3";
        QTest::newRow("VERSION missing") << "PXMCU.TBL"
                                         << "PRAXON"
                                         << "VERSION" << QString();
        QTest::newRow("more images than letters") << "PXMCU.TBL"
                                                  << "PRAXON"
                                                  << "MOD"
                                                  << "27";
    }
    void Incompatible()
    {
        QFETCH(QString, file);
        QFETCH(QString, section);
        QFETCH(QString, key);
        QFETCH(QString, value);
        Fixture f;
        WriteSet(f.Dir(), SetLayout());
        IniFile ini(f.File(file));
        if (value.isNull())
            ini.DeleteKey(section, key);
        else
            ini.WriteString(section, key, value);
        QVERIFY(ini.Save());

        QVERIFY(!CheckSupportFiles(f.ctx));
        VerifySingleBox(f.op, QStringLiteral("Support File Version Error"), IncompatibleText, BoxIcon::Error,
                        SoundKind::Error);
    }

    void MissingWinsOverIncompatible()
    {
        Fixture f;
        WriteSet(f.Dir(), SetLayout());
        IniFile ini(f.File(QStringLiteral("PXMCU1.TBL")));
        ini.WriteString(QStringLiteral("PRAXON"), QStringLiteral("DATE"), QStringLiteral("1999-01-01"));
        QVERIFY(ini.Save());
        QVERIFY(QFile::remove(f.File(QStringLiteral("PX011BA.DAT"))));

        QVERIFY(!CheckSupportFiles(f.ctx));
        VerifySingleBox(f.op, QStringLiteral("Support File Missing"), MissingText, BoxIcon::Error, SoundKind::Error);
    }

    void RedAndModZeroLookAtMainTableAndTemplatesOnly()
    {
        Fixture f;
        SetLayout layout;
        layout.red = 0;
        layout.mod = 0;
        QCOMPARE(WriteSet(f.Dir(), layout).size(), 3);
        // Files of other tables or images that do not belong to the set must not matter.
        WriteFile(f.File(QStringLiteral("PXMCU1.TBL")), SupportIni(QStringLiteral("Version 1.0"), "x", "stray"));
        QVERIFY(CheckSupportFiles(f.ctx));
        QVERIFY(f.op.boxes.isEmpty());

        QVERIFY(QFile::remove(f.File(QStringLiteral("PX2831.PXT"))));
        QVERIFY(!CheckSupportFiles(f.ctx));
        QCOMPARE(f.op.Captions(), QStringList{QStringLiteral("Support File Missing")});
    }

    void NoUpdateTouchesNothing()
    {
        Fixture f;
        WriteSet(f.Dir(), SetLayout());
        // Leftovers of other kinds: none of them is acted on without the update's main table.
        WriteFile(f.File(QStringLiteral("PXMCU.TBK")), "old backup");
        WriteFile(f.File(QStringLiteral("PX011BA.DAX")), "stray update image");
        WriteFile(f.File(QStringLiteral("PX2840.PXX")), SupportIni(Software, "2024-09-15", "new"));
        const auto before = Snapshot(f.Dir());

        QVERIFY(InstallPendingUpdate(f.ctx));
        QVERIFY(f.op.boxes.isEmpty());
        QCOMPARE(Snapshot(f.Dir()), before);
    }

    void CompleteUpdateInstallsAndKeepsBackups()
    {
        Fixture f;
        const QStringList installed = WriteSet(f.Dir(), SetLayout());
        const QStringList update = WriteSet(f.Dir(), UpdateLayout());
        // An older generation of backups, one of them with a lower-case name.
        WriteFile(f.File(QStringLiteral("PXMCU.TBK")), "ancient");
        WriteFile(f.File(QStringLiteral("PX0100A.DAK")), "ancient");
        WriteFile(f.File(QStringLiteral("px0100.pxk")), "ancient");
        WriteFile(f.File(QStringLiteral("pxmcu9.tbk")), "ancient");
        // An update file beyond the set, in lower case, still goes into place.
        WriteFile(f.File(QStringLiteral("px011ce.dax")), "new extra image");
        // Files outside the patterns stay as they are.
        WriteFile(f.File(QStringLiteral("README.TXT")), "keep");
        WriteFile(f.File(QStringLiteral("MY.DAT")), "keep");

        QVERIFY(InstallPendingUpdate(f.ctx));
        QVERIFY2(f.op.boxes.isEmpty(), qPrintable(f.op.Texts().join(u'|')));

        // The old generation of backups is gone.
        for (const char* name : {"PX0100A.DAK", "px0100.pxk", "pxmcu9.tbk"})
            QVERIFY2(!QFileInfo::exists(f.File(QLatin1String(name))), name);
        // The previously installed files now carry the backup extensions, with their content; the
        // update files went into place under the installed extensions.
        for (const QString& name : installed)
            QVERIFY2(ReadFile(f.File(WithExtension(name, Backup))).contains("old"), qPrintable(name));
        for (const QString& name : update)
            QVERIFY2(ReadFile(f.File(WithExtension(name, Installed))).contains("new"), qPrintable(name));
        QCOMPARE(ReadFile(f.File(QStringLiteral("px011ce.DAT"))), QByteArray("new extra image"));
        for (const char* ext : {"TBX", "PXX", "DAX"})
            QVERIFY2(NamesWithExtension(f.Dir(), QLatin1String(ext)).isEmpty(), ext);
        QVERIFY(!QFileInfo::exists(f.File(QStringLiteral("px011ce.dax"))));
        // The installed set is exactly the update plus the extra image.
        QCOMPARE(NamesWithExtension(f.Dir(), QStringLiteral("PXT")),
                 (QStringList{QStringLiteral("PX2840.PXT"), QStringLiteral("PX2841.PXT")}));
        QCOMPARE(ReadFile(f.File(QStringLiteral("README.TXT"))), QByteArray("keep"));
        QCOMPARE(ReadFile(f.File(QStringLiteral("MY.DAT"))), QByteArray("keep"));

        // The new set checks out, and the next start has nothing to install.
        QVERIFY(CheckSupportFiles(f.ctx));
        QCOMPARE(f.ctx.Support().versionText, QStringLiteral("284"));
        QCOMPARE(f.ctx.Support().tableDate, QStringLiteral("2024-09-15"));
        const auto after = Snapshot(f.Dir());
        QVERIFY(InstallPendingUpdate(f.ctx));
        QCOMPARE(Snapshot(f.Dir()), after);
        QVERIFY(f.op.boxes.isEmpty());
    }

    // A kill before any rename of an update: the next start finishes the update from its journal,
    // so the program always starts with one complete, matching set.
    void InterruptedUpdateIsFinishedAtTheNextStart()
    {
        int total = 0;
        {
            Fixture f;
            WriteSet(f.Dir(), SetLayout());
            WriteSet(f.Dir(), UpdateLayout());
            SetUpdateRenameHook([&total] { return ++total > 0; });
            QVERIFY(InstallPendingUpdate(f.ctx));
            SetUpdateRenameHook({});
        }
        QVERIFY(total > 6);
        for (int cut = 0; cut < total; ++cut) {
            Fixture f;
            const QStringList installed = WriteSet(f.Dir(), SetLayout());
            const QStringList update = WriteSet(f.Dir(), UpdateLayout());
            int renames = 0;
            SetUpdateRenameHook([&renames, cut] { return renames++ < cut; });
            QVERIFY(!InstallPendingUpdate(f.ctx));
            SetUpdateRenameHook({});
            const QString at = QStringLiteral("cut before rename %1").arg(cut);
            QVERIFY2(QFileInfo::exists(f.File(QStringLiteral("PXUPDATE.JNL"))), qPrintable(at));

            QVERIFY2(InstallPendingUpdate(f.ctx), qPrintable(at + f.op.Texts().join(u'|')));
            QVERIFY2(CheckSupportFiles(f.ctx), qPrintable(at + f.op.Texts().join(u'|')));
            QCOMPARE(f.ctx.Support().versionText, QStringLiteral("284"));
            QVERIFY2(f.op.boxes.isEmpty(), qPrintable(at + f.op.Texts().join(u'|')));
            for (const QString& name : installed)
                QVERIFY2(ReadFile(f.File(WithExtension(name, Backup))).contains("old"), qPrintable(at + name));
            for (const QString& name : update)
                QVERIFY2(ReadFile(f.File(WithExtension(name, Installed))).contains("new"), qPrintable(at + name));
            QVERIFY2(!QFileInfo::exists(f.File(QStringLiteral("PXUPDATE.JNL"))), qPrintable(at));
        }
    }

    // A rename the journal planned that can no longer be made (a file came into the way after the
    // cut) takes the cut-off update back; the update then runs again from the start and installs.
    void InterruptedUpdateThatCannotFinishIsTakenBack()
    {
        Fixture f;
        WriteSet(f.Dir(), SetLayout());
        const QStringList update = WriteSet(f.Dir(), UpdateLayout());
        int renames = 0;
        SetUpdateRenameHook([&renames] { return renames++ < 2; });
        QVERIFY(!InstallPendingUpdate(f.ctx));
        SetUpdateRenameHook({});
        const QStringList images = NamesWithExtension(f.Dir(), QStringLiteral("DAT"));
        QVERIFY(!images.isEmpty());
        WriteFile(f.File(WithExtension(images.first(), Backup)), "in the way");
        QVERIFY2(InstallPendingUpdate(f.ctx), qPrintable(f.op.Texts().join(u'|')));
        QVERIFY(CheckSupportFiles(f.ctx));
        QCOMPARE(f.ctx.Support().versionText, QStringLiteral("284"));
        for (const QString& name : update)
            QVERIFY2(ReadFile(f.File(WithExtension(name, Installed))).contains("new"), qPrintable(name));
        QVERIFY(!QFileInfo::exists(f.File(QStringLiteral("PXUPDATE.JNL"))));
    }

    void RejectedUpdateChangesNothing_data()
    {
        QTest::addColumn<QString>("damage");
        QTest::addColumn<QStringList>("texts");
        QTest::newRow("missing image") << "remove PX011CB.DAX" << QStringList{UpdateIncompleteText};
        QTest::newRow("missing template") << "remove PX2841.PXX" << QStringList{UpdateIncompleteText};
        QTest::newRow("missing extension table") << "remove PXMCU2.TBX" << QStringList{UpdateInconsistentText};
        QTest::newRow("extension DATE") << "date PXMCU1.TBX" << QStringList{UpdateInconsistentText};
        QTest::newRow("template DATE") << "date PX2840.PXX" << QStringList{UpdateInconsistentText};
        QTest::newRow("main SOFTWARE") << "software PXMCU.TBX" << QStringList{UpdateInconsistentText};
        QTest::newRow("inconsistent and incomplete")
            << "remove PXMCU1.TBX;remove PX011CA.DAX" << QStringList{UpdateInconsistentText, UpdateIncompleteText};
    }
    void RejectedUpdateChangesNothing()
    {
        QFETCH(QString, damage);
        QFETCH(QStringList, texts);
        Fixture f;
        WriteSet(f.Dir(), SetLayout());
        WriteSet(f.Dir(), UpdateLayout());
        WriteFile(f.File(QStringLiteral("PXMCU.TBK")), "previous backup");
        for (const QString& step : damage.split(u';')) {
            const QString action = step.section(u' ', 0, 0);
            const QString name = step.section(u' ', 1);
            if (action == u"remove") {
                QVERIFY(QFile::remove(f.File(name)));
                continue;
            }
            IniFile ini(f.File(name));
            if (action == u"date")
                ini.WriteString(QStringLiteral("PRAXON"), QStringLiteral("DATE"), QStringLiteral("2020-01-01"));
            else
                ini.WriteString(QStringLiteral("PRAXON"), QStringLiteral("SOFTWARE"), QStringLiteral("Version 2.9.0"));
            QVERIFY(ini.Save());
        }
        const auto before = Snapshot(f.Dir());

        QVERIFY(!InstallPendingUpdate(f.ctx));
        QCOMPARE(f.op.Texts(), texts);
        for (const MessageRequest& box : f.op.boxes) {
            QCOMPARE(box.caption, QStringLiteral("Table Update Error"));
            QCOMPARE(box.icon, BoxIcon::Error);
            QCOMPARE(box.sound, SoundKind::Error);
        }
        QCOMPARE(Snapshot(f.Dir()), before);
    }

    void BackupRenameNeverReplaces()
    {
        Fixture f;
        WriteSet(f.Dir(), SetLayout());
        WriteSet(f.Dir(), UpdateLayout());
        // Something that the backup deletion does not remove stands at one backup name.
        QVERIFY(QDir(f.Dir()).mkdir(QStringLiteral("PX2830.PXK")));
        WriteFile(f.File(QStringLiteral("PX2830.PXK/inside")), "kept");

        QVERIFY(!InstallPendingUpdate(f.ctx));
        VerifySingleBox(f.op, QStringLiteral("Table Update Error"),
                        QStringLiteral("Unable to rename PX2830.PXT to its backup name.\r\rPlease close this "
                                       "program, check file permissions\rthen restart the Praxon software."),
                        BoxIcon::Error, SoundKind::Error);
        // The file in the way and the file that could not move are both intact.
        QCOMPARE(ReadFile(f.File(QStringLiteral("PX2830.PXK/inside"))), QByteArray("kept"));
        QVERIFY(ReadFile(f.File(QStringLiteral("PX2830.PXT"))).contains("TAG=old"));
        // The update stays pending: nothing of it went into place.
        for (const char* name : {"PXMCU.TBX", "PX2840.PXX", "PX011CA.DAX"})
            QVERIFY2(QFileInfo::exists(f.File(QLatin1String(name))), name);
        QVERIFY(!QFileInfo::exists(f.File(QStringLiteral("PX2840.PXT"))));
        // Renames that succeeded before the failure are taken back: the installed set is whole.
        QVERIFY(ReadFile(f.File(QStringLiteral("PXMCU.TBL"))).contains("TAG=old"));
        QVERIFY(!QFileInfo::exists(f.File(QStringLiteral("PXMCU.TBK"))));
    }

    void InstallRenameNeverReplaces()
    {
        Fixture f;
        WriteSet(f.Dir(), SetLayout());
        WriteSet(f.Dir(), UpdateLayout());
        // A directory at an installed name survives the backup step and blocks one update file.
        QVERIFY(QDir(f.Dir()).mkdir(QStringLiteral("PX011CA.DAT")));
        WriteFile(f.File(QStringLiteral("PX011CA.DAT/inside")), "kept");

        QVERIFY(!InstallPendingUpdate(f.ctx));
        VerifySingleBox(f.op, QStringLiteral("Table Update Error"), InstallFailedText, BoxIcon::Error,
                        SoundKind::Error);
        QCOMPARE(ReadFile(f.File(QStringLiteral("PX011CA.DAT/inside"))), QByteArray("kept"));
        QCOMPARE(ReadFile(f.File(QStringLiteral("PX011CA.DAX"))), QByteArray("new firmware image"));
        // Every other rename is taken back: the old set is installed, the update still pending.
        QCOMPARE(ReadFile(f.File(QStringLiteral("PX011CB.DAX"))), QByteArray("new firmware image"));
        QVERIFY(ReadFile(f.File(QStringLiteral("PXMCU.TBL"))).contains("TAG=old"));
        QVERIFY(QFileInfo::exists(f.File(QStringLiteral("PXMCU.TBX"))));
    }

    void UndeletableBackupStopsTheBackupStep()
    {
        Fixture f;
        WriteSet(f.Dir(), SetLayout());
        WriteSet(f.Dir(), UpdateLayout());
        WriteFile(f.File(QStringLiteral("PXMCU.TBK")), "previous backup");
        // A read-only directory forbids deleting and renaming its files (not for a superuser).
        QFile::Permissions writable = QFile::permissions(f.Dir());
        QVERIFY(QFile::setPermissions(f.Dir(), QFile::ReadOwner | QFile::ExeOwner));
        {
            QFile probe(f.File(QStringLiteral("probe")));
            if (probe.open(QIODevice::WriteOnly)) {
                probe.close();
                probe.remove();
                QFile::setPermissions(f.Dir(), writable);
                QSKIP("file permissions are not enforced for this user");
            }
        }
        const auto before = Snapshot(f.Dir());

        const bool result = InstallPendingUpdate(f.ctx);
        const auto after = Snapshot(f.Dir());
        QFile::setPermissions(f.Dir(), writable);
        QVERIFY(!result);
        // The backups could not be removed, so the installed files keep their names; the update
        // renames are still tried and fail on the files in place.
        QCOMPARE(f.op.Texts(), (QStringList{DeleteFailedText, InstallFailedText}));
        QCOMPARE(after, before);
    }

    void VersionMismatchMessage()
    {
        ScriptedOperator op;
        ReportVersionMismatch(op, QStringLiteral("FUSE TABLES"));
        VerifySingleBox(op, QStringLiteral("File Mis-Match"),
                        QStringLiteral("This Version of Software is incompatible with the version of FUSE TABLES "
                                       "found on your system.\r\rPlease install matching Software and device tables."),
                        BoxIcon::Warning, SoundKind::Warning);
    }
};

QTEST_GUILESS_MAIN(TestSupportFiles)
#include "TestSupportFiles.moc"
