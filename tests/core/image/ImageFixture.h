#pragma once

// Shared by the image tests: a context on the shipped device table, and the small case language of
// the golden folders under tests/data/hex (one directive per line, '#' starts a comment):
//   mcu NAME              the MCU name (and, for writer cases, the device loaded)
//   option N V            OptionTable value of entry N
//   cmdline               the MCU was named on the command line
//   code ADDR V...        code words from word address ADDR (hex)
//   ee ADDR V...          EeBuffer elements from ADDR
//   eefile ADDR V...      EeFileBuffer elements from ADDR
//   id I V...             IdWords from I            idfile I V...  IdFileBytes from I
//   cfg I V               configuration word I (setup: decoded into its fields)
//   rom N                 the profile's program memory size in words (decimal)
//   cfgfile I V           ConfigFileWords element I
//   cal I V...            calibration words of the selected socket
//   codemask M / eemask M / calmask M   grid masks
//   status NAME 0|1       a HexLoadStatus flag
//   device SECTION        the profile loaded afterwards
//   error TEXT            the ErrorOut message expected ("none" for a read that completes)
//   log TEXT              some log line reads TEXT (blank runs compared as one blank)
//   logcount N TEXT       exactly N log lines read TEXT
//   nolog TEXT            no log line contains TEXT
//   boxes N               exactly N message boxes were shown

#include "ScriptedOperator.h"
#include "TestPaths.h"
#include "core/context/AppContext.h"
#include "core/devices/DeviceProfileLoader.h"
#include "core/devices/DeviceSelection.h"
#include "core/image/ConfigurationWords.h"
#include "core/util/HexText.h"

#include <QFile>
#include <QRegularExpression>
#include <QtTest>

struct CaseLine {
    QString verb;
    QStringList args;
    QString rest; // everything after the verb, as written
};

inline QList<CaseLine> ReadCaseFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        qFatal("cannot read %s", qPrintable(path));
    QList<CaseLine> lines;
    for (const QString& raw : QString::fromUtf8(file.readAll()).split(u'\n')) {
        const QString line = raw.trimmed();
        if (line.isEmpty() || line.startsWith(u'#'))
            continue;
        const qsizetype blank = line.indexOf(u' ');
        CaseLine c;
        c.verb = blank < 0 ? line : line.left(blank);
        c.rest = blank < 0 ? QString() : line.mid(blank + 1);
        c.args = c.rest.split(u' ', Qt::SkipEmptyParts);
        lines << c;
    }
    return lines;
}

inline quint32 HexArg(const QString& text)
{
    bool bad = false;
    const quint64 value = ParseHexText(text, &bad);
    if (bad)
        qFatal("bad hex value in case file: %s", qPrintable(text));
    return quint32(value);
}

inline QString Collapsed(const QString& text)
{
    return text.simplified();
}

struct ImageFixture {
    ScriptedOperator op;
    AppContext ctx{op, TestPaths::ShippedData()};

    ImageFixture()
    {
        BuildDeviceList(ctx);
        ctx.Image().ClearImage();
    }

    // Selects and loads a device of the shipped table, as the file-opening sequence does.
    void LoadDevice(const QString& name)
    {
        ctx.File().mcuName = name;
        QVERIFY(SelectDeviceByName(ctx, name));
        LoadDeviceProfile(ctx);
        ctx.Image().ApplyProfileToGrids(ctx.Profile());
    }

    QStringList Log() const
    {
        QStringList lines = const_cast<AppContext&>(ctx).History().DisplayText();
        for (QString& line : lines)
            line = Collapsed(line);
        return lines;
    }

    // Applies one image-setting directive of a case.
    void Apply(const CaseLine& c)
    {
        MemoryImage& image = ctx.Image();
        auto fill = [&](auto&& buffer) {
            const quint32 start = HexArg(c.args.value(0));
            for (qsizetype i = 1; i < c.args.size(); ++i)
                buffer[start + i - 1] = quint16(HexArg(c.args.at(i)));
        };
        if (c.verb == "mcu")
            ctx.File().mcuName = c.rest;
        else if (c.verb == "option")
            ctx.Options().SetValue(c.args.value(0).toInt(), quint8(c.args.value(1).toInt()));
        else if (c.verb == "cmdline")
            ctx.Flags().McuFromCommandLine = true;
        else if (c.verb == "code")
            fill(image.CodeBuffer());
        else if (c.verb == "ee")
            fill(image.EeBuffer());
        else if (c.verb == "eefile")
            fill(image.EeFileBuffer());
        else if (c.verb == "id")
            fill(image.IdWords());
        else if (c.verb == "idfile")
            fill(image.IdFileBytes());
        else if (c.verb == "cfgfile")
            fill(image.ConfigFileWords());
        else if (c.verb == "cal")
            fill(image.Calibration(image.SelectedCalSocket()).words);
        else if (c.verb == "cfg")
            DecodeConfigWord(ctx, quint16(HexArg(c.args.value(1))), c.args.value(0).toInt());
        else if (c.verb == "rom")
            ctx.Profile().rom = c.rest.toInt();
        else if (c.verb == "codemask")
            image.CodeGrid().wordMask = quint16(HexArg(c.rest));
        else if (c.verb == "eemask")
            image.EeGrid().wordMask = quint16(HexArg(c.rest));
        else if (c.verb == "calmask")
            image.CalibrationGrid().wordMask = quint16(HexArg(c.rest));
        else
            qFatal("unknown setup directive %s", qPrintable(c.verb));
    }

    // Checks one expectation directive.
    void Check(const CaseLine& c)
    {
        MemoryImage& image = ctx.Image();
        auto compare = [&](auto&& buffer, const char* name) {
            const quint32 start = HexArg(c.args.value(0));
            for (qsizetype i = 1; i < c.args.size(); ++i) {
                const quint32 at = start + quint32(i) - 1;
                if (buffer[at] != HexArg(c.args.at(i)))
                    QFAIL(qPrintable(
                        QStringLiteral("%1[%2] is %3, expected %4")
                            .arg(QString::fromLatin1(name), HexWord(at, 4), HexWord(buffer[at], 4), c.args.at(i))));
            }
        };
        const QStringList log = Log();
        if (c.verb == "code")
            compare(image.CodeBuffer(), "code");
        else if (c.verb == "ee")
            compare(image.EeBuffer(), "ee");
        else if (c.verb == "eefile")
            compare(image.EeFileBuffer(), "eefile");
        else if (c.verb == "id")
            compare(image.IdWords(), "id");
        else if (c.verb == "idfile")
            compare(image.IdFileBytes(), "idfile");
        else if (c.verb == "cfg")
            compare(image.ConfigWords(), "cfg");
        else if (c.verb == "cfgfile")
            compare(image.ConfigFileWords(), "cfgfile");
        else if (c.verb == "status")
            QCOMPARE(StatusFlag(c.args.value(0)), c.args.value(1) == "1");
        else if (c.verb == "device")
            QCOMPARE(ctx.Profile().sectionName, c.rest);
        else if (c.verb == "log") {
            if (!log.contains(Collapsed(c.rest)))
                QFAIL(qPrintable("no log line reads: " + c.rest + "\nlog:\n" + log.join(u'\n')));
        } else if (c.verb == "logcount") {
            const QString text = Collapsed(c.rest.section(u' ', 1));
            QCOMPARE(log.count(text), c.args.value(0).toInt());
        } else if (c.verb == "boxes") {
            QCOMPARE(op.Captions().size(), c.rest.toInt());
        } else if (c.verb == "nolog") {
            for (const QString& line : log)
                if (line.contains(Collapsed(c.rest)))
                    QFAIL(qPrintable("unexpected log line: " + line));
        } else
            qFatal("unknown expectation directive %s", qPrintable(c.verb));
    }

    bool StatusFlag(const QString& name) const
    {
        const HexLoadStatus& s = const_cast<AppContext&>(ctx).Image().LoadStatus();
        const std::map<QString, bool> flags{
            {"DeviceRecordFound", s.DeviceRecordFound},
            {"Width5X", s.Width5X},
            {"WidthXX", s.WidthXX},
            {"Is18X", s.Is18X},
            {"Id5xMissing", s.Id5xMissing},
            {"Fuse5xMissing", s.Fuse5xMissing},
            {"Ee5xMissing", s.Ee5xMissing},
            {"Id18Missing", s.Id18Missing},
            {"Fuse18Missing", s.Fuse18Missing},
            {"Ee18Missing", s.Ee18Missing},
            {"Inhx32Seen", s.Inhx32Seen},
        };
        if (!flags.count(name))
            qFatal("unknown status flag %s", qPrintable(name));
        return flags.at(name);
    }
};
