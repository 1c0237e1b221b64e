#include "core/image/InformationReport.h"

#include "core/context/AppContext.h"
#include "core/image/BufferChecksum.h"
#include "core/model/OptionIndex.h"
#include "core/model/SupportFileState.h"
#include "core/util/HexText.h"
#include "core/util/IniFile.h"

namespace {
constexpr int LabelWidth = 24;
constexpr int PowerVdd = 5;

class ReportBuilder
{
public:
    void Heading(const QString& text) { m_lines << text << QString(LabelWidth, u'-'); }
    void Value(const QString& label, const QString& value)
    {
        m_lines << (u' ' + label).leftJustified(LabelWidth, u' ') + value;
    }
    void Blank() { m_lines << QStringLiteral(" "); }
    const QStringList& Lines() const { return m_lines; }

private:
    QStringList m_lines;
};

QString OpcodeWidth(CoreFamily core)
{
    switch (core) {
    case CoreFamily::CoreXX: return QStringLiteral("14bit");
    case CoreFamily::Core5X: return QStringLiteral("12bit");
    case CoreFamily::Core18X: return QStringLiteral("16bit");
    case CoreFamily::Unknown: break;
    }
    return QStringLiteral("N/A");
}

QString SerialNumberingMode(const OptionTable& options)
{
    if (!options.Effective(OptionIndex::SerialNumbering))
        return QStringLiteral("Disabled");
    // Automatic numbering is on when Auto Increment or an SQTP file is selected.
    const bool automatic = options.Raw(OptionIndex::AutoIncrement) || options.Raw(OptionIndex::UseSqtp);
    if (!automatic)
        return QStringLiteral("Manual");
    return options.Effective(OptionIndex::UseSqtp) ? QStringLiteral("SQTP File") : QStringLiteral("Auto");
}

// The template file the device's operations were read from by the last template load.
QString TemplateFileInUse(AppContext& ctx)
{
    return ctx.Templates().templateFile;
}

QString YesNo(bool yes)
{
    return yes ? QStringLiteral("YES") : QStringLiteral("NO");
}
} // namespace

QStringList InformationReportLines(AppContext& ctx, const HardwareInformation& hardware)
{
    const DeviceProfile& p = ctx.Profile();
    const OptionTable& options = ctx.Options();
    ReportBuilder r;
    r.Heading(QStringLiteral("MCU Information:"));
    r.Value(QStringLiteral("MCU Support Level:"), p.supportLevel);
    r.Value(QStringLiteral("Microcontroller:"), ctx.Window().McuText());
    r.Value(QStringLiteral("Manufacturer:"), p.manufacturer);
    r.Value(p.flash ? QStringLiteral("Words of FLASH:") : QStringLiteral("Words of EPROM:"), QString::number(p.rom));
    r.Value(QStringLiteral("Bytes of EE Data:"), p.ee < 1 ? QStringLiteral("NONE") : QString::number(p.ee));
    r.Value(QStringLiteral("Words of Cal. Data:"),
            p.hasCalibration ? QString::number(p.bcal ? p.cal / 2 : p.cal) : QStringLiteral("NONE"));
    r.Value(QStringLiteral("Cal. Backup Location:"),
            p.bcal ? QStringLiteral("0x") + HexWord(quint16(p.bcalLoc), 4) : QStringLiteral("NONE"));
    r.Value(QStringLiteral("MCU CORE Type:"), CoreFamilyText(p.core));
    r.Value(QStringLiteral("Opcode Width:"), OpcodeWidth(p.core));
    r.Value(QStringLiteral("Programming Mode:"), p.serial ? QStringLiteral("Serial") : QStringLiteral("Parallel"));
    r.Value(QStringLiteral("Power First:"), p.pwr == PowerVdd ? QStringLiteral("VDD") : QStringLiteral("VPP"));
    r.Value(QStringLiteral("Power Off First:"), p.pwrOff == PowerVdd ? QStringLiteral("VDD") : QStringLiteral("VPP"));
    r.Value(QStringLiteral("Runtime Parity:"), YesNo(p.parity));
    r.Blank();

    r.Heading(QStringLiteral("Application Information:"));
    r.Value(QStringLiteral("Software Version:"), QString::fromLatin1(InstalledSoftwareVersion));
    r.Value(QStringLiteral("Table Date:"), ctx.Support().tableDate);
    r.Value(QStringLiteral("Serial Numbering Mode:"), SerialNumberingMode(options));
    r.Value(QStringLiteral("Option Editing:"),
            options.OptionsHidden() ? QStringLiteral("Disabled") : QStringLiteral("Enabled"));
    r.Value(QStringLiteral("Template File:"), TemplateFileInUse(ctx));
    r.Value(QStringLiteral("Current Template:"), p.plates);
    r.Value(QStringLiteral("Buffer Checksum:"), u'$' + HexWord(ctx.Image().LastChecksum(), 8));
    r.Blank();

    const int flags = hardware.modificationFlags;
    r.Heading(QStringLiteral("Hardware Information:"));
    r.Value(QStringLiteral("Hardware Version:"), hardware.identified
                                                     ? QString::number(hardware.revision, 16).toUpper() + u'-' +
                                                           QString::number(hardware.modification, 16).toUpper()
                                                     : hardware.hardwareVersion);
    r.Value(QStringLiteral("MOD #1, 5X Mod:"), flags & 1   ? QStringLiteral("Yes -User")
                                               : flags & 2 ? QStringLiteral("Yes")
                                                           : QStringLiteral("No"));
    r.Value(QStringLiteral("MOD #2, C1 Mod:"), flags & 4 ? QStringLiteral("Yes") : QStringLiteral("No"));
    r.Value(QStringLiteral("MOD #3, Dual VPP:"), flags & 8               ? QStringLiteral("Yes")
                                                 : hardware.revision < 3 ? QStringLiteral("No")
                                                                         : QStringLiteral("Yes -User"));
    r.Value(QStringLiteral("Bootloader Version:"), hardware.bootVersion);
    r.Value(QStringLiteral("Firmware Version:"), hardware.firmwareVersion);
    r.Value(QStringLiteral("Serial Number:"), hardware.serialNumber);
    return r.Lines();
}

void BuildInformationReport(AppContext& ctx)
{
    if (!ctx.Flags().ProgramReady)
        return;
    ctx.Window().SetInformationText(InformationReportLines(ctx, ctx.Hardware()).join(u'\n'));
    UpdateInformationWindow(ctx);
}

void UpdateInformationWindow(AppContext& ctx)
{
    ctx.Image().Display().SetInformationWindow(QStringLiteral("Information - ") + ctx.File().hexPath,
                                               ctx.Window().FuseSummaryText() + u'\n' + ctx.Window().InformationText());
}

void RefreshChecksumAndReport(AppContext& ctx)
{
    if (ctx.Flags().StartupInProgress)
        return;
    ComputeChecksum(ctx);
    BuildInformationReport(ctx);
}
