#pragma once

#include "ScriptedOperator.h"
#include "core/context/AppContext.h"
#include "core/options/SettingsFileFormat.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>
#include <sys/resource.h>

// A fresh context over a temporary application directory holding a minimal support set (two
// devices), with the per-user settings store moved into a temporary directory of its own.
namespace OptionsTest {

inline void WriteFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    QVERIFY2(file.open(QIODevice::WriteOnly), qPrintable(path));
    file.write(content);
}

inline QByteArray ReadFile(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

inline void WriteSupportSet(const QString& dir)
{
    WriteFile(dir + "/PXMCU.TBL", "[PRAXON]\r\nVERSION=7\r\nSOFTWARE=Version 2.8.0\r\nDATE=D1\r\nRED=0\r\nMOD=0\r\n"
                                  "[PXDEVICES]\r\n16F877A=0E20\r\n18F252=0400\r\n12C508=0508\r\n"
                                  "[16F877A]\r\nROM=8192\r\nEE=256\r\nCORE=XX\r\nFLASH=1\r\nCFGWORDS=1\r\n"
                                  "[18F252]\r\nROM=16384\r\nEE=256\r\nCORE=18X\r\nFLASH=1\r\nCFGWORDS=7\r\n"
                                  "[12C508]\r\nROM=512\r\nEE=0\r\nCORE=5X\r\nSC=1\r\n");
    const QByteArray templ = "[PRAXON]\r\nVERSION=7\r\nSOFTWARE=Version 2.8.0\r\nDATE=D1\r\n";
    WriteFile(dir + "/PX70.PXT", templ);
    WriteFile(dir + "/PX71.PXT", templ);
}

// Makes every write beyond the given size fail (EFBIG), as a full disk would, until destroyed.
// Files already larger than the limit are left as they are.
class FileSizeLimit
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &m_saved);
        rlimit limit = m_saved;
        limit.rlim_cur = bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~FileSizeLimit() { setrlimit(RLIMIT_FSIZE, &m_saved); }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit m_saved{};
};

// Points the settings store of this process at a temporary directory for the sandbox's life.
struct SettingsSandbox {
    QTemporaryDir dir;
    SettingsSandbox() { SettingsFileFormat::SetLocation(dir.path()); }
    QString StoreFile() const { return dir.filePath("Kestrix/PX.ini"); }
};

struct Fixture {
    SettingsSandbox settings;
    QTemporaryDir appDir;
    QTemporaryDir work;
    ScriptedOperator op;
    AppContext ctx{op, appDir.path()};

    Fixture() { WriteSupportSet(appDir.path()); }
    QString WorkFile(const QString& name) const { return work.filePath(name); }
    QStringList History()
    {
        QStringList lines = ctx.History().DisplayText();
        for (QString& line : lines)
            line = line.trimmed();
        return lines;
    }
};

} // namespace OptionsTest
