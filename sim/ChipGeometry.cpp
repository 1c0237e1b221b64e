#include "ChipGeometry.h"

#include "core/link/BoxProtocol.h"
#include "core/util/IniFile.h"

#include <QFileInfo>

quint16 ChipGeometry::CodeWidth() const
{
    switch (family) {
    case Family::Baseline: return 0x0FFF;
    case Family::Midrange: return 0x3FFF;
    case Family::Pic18: return 0xFFFF;
    }
    return 0xFFFF;
}

quint8 ChipGeometry::FamilyCode() const
{
    switch (family) {
    case Family::Baseline: return BoxProtocol::ScriptFamily5X;
    case Family::Midrange: return BoxProtocol::ScriptFamilyXX;
    case Family::Pic18: return BoxProtocol::ScriptFamily18X;
    }
    return 0;
}

int ChipGeometry::CalibrationCount() const
{
    if (cal <= 0)
        return 0;
    return qMax(1, bcal ? cal / 2 : cal);
}

int ChipGeometry::CalibrationBase() const
{
    const int end = calOffset != 0 ? calOffset : rom + 1; // one past the last calibration word
    return end - CalibrationCount();
}

bool ChipGeometry::CalibrationInProgramArray() const
{
    const int base = CalibrationBase();
    return HasCalibration() && base >= 0 && base <= rom;
}

int ChipGeometry::ProgramArrayWords() const
{
    return CalibrationInProgramArray() ? qMax(rom, CalibrationBase() + CalibrationCount()) : rom;
}

bool ChipGeometry::Load(const QString& tablePath, const QString& device, ChipGeometry* out, QString* error)
{
    IniFile table(tablePath);
    if (!table.Exists()) {
        if (error)
            *error = QStringLiteral("device table %1 not found").arg(tablePath);
        return false;
    }
    if (!table.SectionExists(device)) {
        if (error)
            *error = QStringLiteral("device %1 is not in %2").arg(device, tablePath);
        return false;
    }
    // Keys after EXT= live in the extension table's section of the same name.
    IniFile extension;
    const QString extName = table.ReadString(device, QStringLiteral("EXT"), QString());
    if (!extName.isEmpty()) {
        const QString extPath = QFileInfo(tablePath).absolutePath() + u'/' + extName;
        if (!extension.Load(extPath) || !extension.SectionExists(device)) {
            if (error)
                *error = QStringLiteral("extension table %1 has no section %2").arg(extPath, device);
            return false;
        }
    }
    const IniFile& source = extName.isEmpty() ? table : extension;
    auto text = [&](const char* key, const QString& fallback) {
        return source.ReadString(device, QString::fromLatin1(key), fallback);
    };
    auto number = [&](const char* key, qint64 fallback) {
        return source.ReadInteger(device, QString::fromLatin1(key), fallback);
    };
    auto hex = [&](const QString& key, quint16 fallback) {
        bool ok = false;
        const uint value = source.ReadString(device, key, QString()).toUInt(&ok, 16);
        return ok ? quint16(value) : fallback;
    };

    ChipGeometry g;
    g.name = device;
    const QString core = text("CORE", QStringLiteral("XX")).toUpper();
    g.family = core == QLatin1String("5X")    ? Family::Baseline
               : core == QLatin1String("18X") ? Family::Pic18
                                              : Family::Midrange;
    g.rom = int(number("ROM", 0));
    g.ee = int(number("EE", 0));
    g.flash = number("FLASH", 1) != 0;
    g.paw = int(qMax<qint64>(1, number("PAW", 1)));
    g.idLoc = int(number("IDLOC", 0));
    g.eeLoc = int(number("EELOC", 0));
    g.cfgLoc = number("CFGLOC", 0);
    g.cfgWords = int(qBound(qint64(1), number("CFGWORDS", 1), qint64(16)));
    for (int w = 0; w < g.cfgWords; ++w) {
        const QString suffix = w == 0 ? QString() : QString::number(w);
        g.fuseMask.append(hex(QStringLiteral("FUSEMASK") + suffix, g.CodeWidth()));
        g.cpMask.append(hex(QStringLiteral("CPMASK") + suffix, 0xFFFF));
    }
    g.cal = int(number("CAL", 0));
    g.calOffset = int(number("CALOFFST", 0));
    g.bcal = number("BCAL", 0) != 0;
    g.bcalLoc = int(number("BCALLOC", 0));
    g.calMask = hex(QStringLiteral("CALMASK"), g.CodeWidth());
    g.xcal1Mask = number("XCAL", 0) > 0 ? hex(QStringLiteral("XCAL1MASK"), 0) : 0;
    if (g.rom <= 0) {
        if (error)
            *error = QStringLiteral("device %1 has no program memory size").arg(device);
        return false;
    }
    *out = g;
    return true;
}
