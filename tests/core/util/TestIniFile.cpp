#include "core/util/IniFile.h"

#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

namespace {
const char* Sample = "; device table\r\n"
                     "[PRAXON]\r\n"
                     "VERSION = 280\r\n"
                     "SOFTWARE=Version 2.8.0\r\n"
                     "\r\n"
                     "[16F877A]\r\n"
                     "ROM=8192\r\n"
                     "rom=4096\r\n"
                     "; a comment inside a section\r\n"
                     "_FOSC_XT=3FFD\r\n"
                     "junk line without equals\r\n"
                     "=value without key\r\n"
                     "HEXV=$1F\r\n"
                     "HEXX=0x20\r\n"
                     "BAD=12abc\r\n"
                     "NEG=-5\r\n"
                     "EMPTY=\r\n"
                     "\r\n"
                     "[praxon]\r\n"
                     "VERSION=999\r\n";

IniFile Loaded()
{
    IniFile ini;
    ini.SetText(QString::fromLatin1(Sample));
    return ini;
}
} // namespace

class TestIniFile : public QObject
{
    Q_OBJECT
private slots:
    void ReadsCaseInsensitivelyFirstMatchWins()
    {
        const IniFile ini = Loaded();
        QVERIFY(ini.SectionExists(QStringLiteral("praxon")));
        QCOMPARE(ini.ReadString(QStringLiteral("Praxon"), QStringLiteral("version"), "NONE"), QStringLiteral("280"));
        QCOMPARE(ini.ReadInteger(QStringLiteral("16f877a"), QStringLiteral("Rom"), 0), 8192);
        QCOMPARE(ini.ReadString(QStringLiteral("16F877A"), QStringLiteral("missing"), "dflt"), QStringLiteral("dflt"));
        QCOMPARE(ini.ReadString(QStringLiteral("NOSECTION"), QStringLiteral("ROM"), "d"), QStringLiteral("d"));
        QCOMPARE(ini.ReadString(QStringLiteral("16F877A"), QStringLiteral("EMPTY"), "d"), QString());
    }

    // Names match exactly when QString's case-insensitive comparison says so, accented Latin-1
    // letters and the ones that fold outside Latin-1 included.
    void NamesMatchAsCaseInsensitiveCompare()
    {
        const QList<QPair<QString, QString>> pairs = {{"ABC_1", "abc_1"},   {"\u00C4RGER", "\u00E4rger"},
                                                      {"\u00B5", "\u039C"}, {"\u00FF", "\u0178"},
                                                      {"K", "\u212A"},      {"A", "B"},
                                                      {"a b", "A B"},       {"\u00DF", "SS"}};
        for (const auto& [a, b] : pairs) {
            IniFile ini;
            ini.SetText(u'[' + a + QStringLiteral("]\n") + a + QStringLiteral("=1\n"));
            const bool same = a.compare(b, Qt::CaseInsensitive) == 0;
            QVERIFY2(ini.KeyExists(b, b) == same, qPrintable(a + u' ' + b));
            ini.EraseSection(b);
            QVERIFY2(ini.SectionExists(a) != same, qPrintable(a + u' ' + b));
        }
    }

    void Integers()
    {
        const IniFile ini = Loaded();
        const QString s = QStringLiteral("16F877A");
        QCOMPARE(ini.ReadInteger(s, QStringLiteral("HEXV"), 0), 0x1F);
        QCOMPARE(ini.ReadInteger(s, QStringLiteral("HEXX"), 0), 0x20);
        QCOMPARE(ini.ReadInteger(s, QStringLiteral("BAD"), 7), 7);
        QCOMPARE(ini.ReadInteger(s, QStringLiteral("NEG"), 0), -5);
        QCOMPARE(ini.ReadInteger(s, QStringLiteral("EMPTY"), 3), 3);
        QVERIFY(ini.ReadBool(s, QStringLiteral("ROM"), false));
        QVERIFY(!ini.ReadBool(s, QStringLiteral("NOPE"), false));
        QVERIFY(ini.ReadBool(s, QStringLiteral("NOPE"), true));
    }

    void SectionReads()
    {
        const IniFile ini = Loaded();
        QCOMPARE(ini.ReadSection(QStringLiteral("16F877A")),
                 QStringList({"ROM", "rom", "_FOSC_XT", "HEXV", "HEXX", "BAD", "NEG", "EMPTY"}));
        const QStringList lines = ini.ReadSectionLines(QStringLiteral("16F877A"));
        QCOMPARE(lines.first(), QStringLiteral("ROM=8192"));
        QVERIFY(lines.contains(QStringLiteral("junk line without equals")));
        QVERIFY(!lines.join(u'\n').contains(u';'));
        QCOMPARE(ini.SectionNames(), QStringList({"PRAXON", "16F877A", "praxon"}));
    }

    void WritesInPlaceAndKeepsEverythingElse()
    {
        IniFile ini = Loaded();
        ini.WriteString(QStringLiteral("praxon"), QStringLiteral("version"), QStringLiteral("281"));
        ini.WriteString(QStringLiteral("PRAXON"), QStringLiteral("DATE"), QStringLiteral("2026"));
        ini.WriteInteger(QStringLiteral("NEW"), QStringLiteral("A"), 5);
        ini.WriteBool(QStringLiteral("NEW"), QStringLiteral("B"), true);
        const QString text = QString::fromLatin1(ini.ToBytes());
        QVERIFY(text.startsWith(QStringLiteral("; device table\r\n[PRAXON]\r\nversion=281\r\nSOFTWARE=Version 2.8.0\r\n"
                                               "DATE=2026\r\n\r\n[16F877A]")));
        QVERIFY(text.contains(QStringLiteral("junk line without equals\r\n")));
        QVERIFY(text.contains(QStringLiteral("; a comment inside a section\r\n")));
        QVERIFY(text.endsWith(QStringLiteral("[praxon]\r\nVERSION=999\r\n[NEW]\r\nA=5\r\nB=1\r\n")));
        QCOMPARE(ini.ReadInteger(QStringLiteral("new"), QStringLiteral("a"), 0), 5);
    }

    void EraseAndDelete()
    {
        IniFile ini = Loaded();
        ini.DeleteKey(QStringLiteral("16F877A"), QStringLiteral("rom"));
        QCOMPARE(ini.ReadInteger(QStringLiteral("16F877A"), QStringLiteral("ROM"), 0), 4096); // the second one now
        ini.EraseSection(QStringLiteral("PRAXON"));
        QVERIFY(!ini.SectionExists(QStringLiteral("praxon")));
        QVERIFY(ini.SectionExists(QStringLiteral("16F877A")));
        QVERIFY(QString::fromLatin1(ini.ToBytes()).startsWith(QStringLiteral("; device table\r\n[16F877A]")));
    }

    void MalformedHeadersAndLineEndings()
    {
        IniFile ini;
        ini.SetText(QStringLiteral("KEY=outside\n[ A B ]\nX=1\r[Broken\nY=2\n[]\nZ=3"));
        QCOMPARE(ini.ReadString(QStringLiteral("A B"), QStringLiteral("X"), ""), QStringLiteral("1"));
        QCOMPARE(ini.ReadString(QStringLiteral("Broken"), QStringLiteral("Y"), ""), QStringLiteral("2"));
        QCOMPARE(ini.ReadString(QString(), QStringLiteral("Z"), "none"), QStringLiteral("3"));
        QCOMPARE(ini.ReadString(QStringLiteral("A B"), QStringLiteral("KEY"), "none"), QStringLiteral("none"));
    }

    // Text is written as UTF-8 and read back exactly; files of earlier versions (Latin-1) still read,
    // line by line, and are written back as UTF-8.
    void EncodingsOnDiskAndBack_data()
    {
        QTest::addColumn<QByteArray>("disk");
        QTest::addColumn<QStringList>("values"); // A/X, A/Y

        const QString cyrillic =
            QStringLiteral("/home/\u043E\u043F\u0435\u0440/\u041F\u0440\u043E\u0448\u0438\u0432\u043A\u0430/b.hex");
        const QString mueller = QStringLiteral("C:\\M\u00FCller\\b.hex");
        QTest::newRow("UTF-8") << "[A]\r\nX=" + cyrillic.toUtf8() + "\r\nY=1\r\n" << QStringList{cyrillic, "1"};
        QTest::newRow("Latin-1 of an earlier version") << "[A]\r\nX=" + mueller.toLatin1() + "\r\nY=\xB0\r\n"
                                                       << QStringList{mueller, QStringLiteral("\u00B0")};
        QTest::newRow("lines of both") << "[A]\nX=" + cyrillic.toUtf8() + "\nY=" + mueller.toLatin1() + "\n"
                                       << QStringList{cyrillic, mueller};
        QTest::newRow("byte-order mark") << "\xEF\xBB\xBF[A]\r\nX=" + cyrillic.toUtf8() + "\r\nY=2\r\n"
                                         << QStringList{cyrillic, "2"};
    }
    void EncodingsOnDiskAndBack()
    {
        QFETCH(QByteArray, disk);
        QFETCH(QStringList, values);
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("t.ini"));
        {
            QFile raw(path);
            QVERIFY(raw.open(QIODevice::WriteOnly));
            raw.write(disk);
        }
        IniFile ini(path);
        QCOMPARE(ini.ReadString("A", "X", ""), values[0]);
        QCOMPARE(ini.ReadString("A", "Y", ""), values[1]);
        ini.WriteString(QStringLiteral("A"), QStringLiteral("Z"), values[0]);
        QVERIFY(ini.Save());
        QFile raw(path);
        QVERIFY(raw.open(QIODevice::ReadOnly));
        QCOMPARE(raw.readAll(), "[A]\r\nX=" + values[0].toUtf8() + "\r\nY=" + values[1].toUtf8() +
                                    "\r\nZ=" + values[0].toUtf8() + "\r\n");
        const IniFile back(path);
        QCOMPARE(back.ReadSectionLines(QStringLiteral("a")),
                 QStringList({"X=" + values[0], "Y=" + values[1], "Z=" + values[0]}));
        QCOMPARE(back.SectionLineNumbers(QStringLiteral("a")), QList<int>({2, 3, 4}));
    }

    void FailedSaveKeepsTheOldFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("keep.ini"));
        {
            QFile f(path);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("[A]\r\nX=1\r\n");
        }
        IniFile ini(path);
        ini.WriteString(QStringLiteral("A"), QStringLiteral("X"), QStringLiteral("2"));
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        QString reason;
        const bool saved = ini.Save(&reason);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (saved)
            QSKIP("the directory stayed writable (running as a user who ignores permissions)");
        QVERIFY(!reason.isEmpty());
        QCOMPARE(IniFile(path).ReadString(QStringLiteral("A"), QStringLiteral("X"), ""), QStringLiteral("1"));
    }

    void SaveToAMissingDirectoryFails()
    {
        IniFile ini;
        ini.WriteString(QStringLiteral("A"), QStringLiteral("X"), QStringLiteral("1"));
        QString reason;
        QVERIFY(!ini.SaveAs(QStringLiteral("/nonexistent-dir/sub/x.ini"), &reason));
        QVERIFY(!reason.isEmpty());
    }
};

QTEST_GUILESS_MAIN(TestIniFile)
#include "TestIniFile.moc"
