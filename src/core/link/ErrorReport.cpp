#include "core/link/ErrorReport.h"

#include "core/context/HistoryLog.h"
#include "core/context/MainWindowState.h"
#include "core/context/OperatorInterface.h"
#include "core/context/ProgramFlags.h"
#include "core/link/LinkErrorWord.h"

#include <QStringList>

namespace {
using Bit = LinkErrorWord::Bit;

// Port error texts are logged in lines of this many characters.
constexpr int PortTextWidth = 46;

QString WithCauses(const QString& heading, const QStringList& causes)
{
    return heading + QStringLiteral("\r\r") + causes.join(QLatin1Char('\r'));
}

void Box(ErrorReportContext& ctx, const QString& caption, const QString& text, BoxIcon icon)
{
    if (ctx.flags.ExitOnErrors)
        return;
    MessageRequest request;
    request.caption = caption;
    request.text = text;
    request.icon = icon;
    request.sound = icon == BoxIcon::Error ? SoundKind::Error : SoundKind::Warning;
    request.buttons = OkButton;
    request.defaultButton = OkButton;
    ctx.op.ShowMessage(request);
}

void VoltageBox(ErrorReportContext& ctx, const QString& caption, const QString& heading, const QStringList& causes)
{
    Box(ctx, caption, WithCauses(heading, causes), BoxIcon::Error);
}

void MarkNotAvailable(ErrorReportContext& ctx)
{
    if (ctx.markHardwareNotAvailable)
        ctx.markHardwareNotAvailable();
}

void LogPart(ErrorReportContext& ctx)
{
    const LinkErrorWord& e = ctx.errors;
    const bool during = ctx.poweredForOperation;
    auto line = [&ctx](const QString& text) { ctx.history.AddLine(text, HistoryStyle::Error); };

    if (e.Has(Bit::PortError)) {
        const QString p = QStringLiteral("PORT ERROR:  ") + ctx.portName;
        ctx.window.SetStatusText(p + QStringLiteral(" ERROR!"));
        MarkNotAvailable(ctx);
        line(QStringLiteral(" "));
        line(QStringLiteral(" ") + p + QStringLiteral(" "));
        for (const QString& part : CutIntoLines(ctx.portErrorText, PortTextWidth))
            line(part);
    }
    if (e.Has(Bit::UserAbort))
        line(QStringLiteral(" User Aborted Task! "));
    if (e.Has(Bit::VddTooLow))
        line(during ? QStringLiteral(" VDD Voltage Drop during operation ") : QStringLiteral(" VDD Voltage TOO LOW "));
    if (e.Has(Bit::VddTooHigh))
        line(during ? QStringLiteral(" VDD TOO HIGH During Operation ") : QStringLiteral(" VDD Voltage TOO HIGH "));
    if (e.Has(Bit::VddNotRising))
        line(QStringLiteral(" VDD not rising "));
    if (e.Has(Bit::MclrTooLow))
        line(during ? QStringLiteral(" MCLR Voltage Drop during operation ")
                    : QStringLiteral(" MCLR Voltage TOO LOW "));
    if (e.Has(Bit::MclrTooHigh))
        line(during ? QStringLiteral(" MCLR TOO HIGH During Operation ") : QStringLiteral(" MCLR Voltage TOO HIGH "));
    if (e.Has(Bit::MclrNotRising))
        line(QStringLiteral(" MCLR not rising "));
    if (e.Has(Bit::VoltageOnVdd))
        line(QStringLiteral(" Voltage detected on VDD "));
    if (e.Has(Bit::CannotPullMclrLow))
        line(QStringLiteral(" Can not pull MCLR low "));
    if (e.Has(Bit::FirmwareNotSynchronized))
        line(QStringLiteral(" Firmware not Synchronized "));
    if (e.Has(Bit::NotResponding)) {
        line(QStringLiteral(" Praxon Not Responding "));
        MarkNotAvailable(ctx);
    }
    if (e.Has(Bit::HighSpeedFailed))
        line(QStringLiteral(" Higher Transfer Speed Failed. "));
    if (e.Has(Bit::TaskFailed) && !e.Has(Bit::NotResponding))
        line(QStringLiteral(" Current Programming Task Failed "));
    if (e.Has(Bit::BadData) && !e.Has(Bit::AllDevicesFailed | Bit::ProgrammingVoltageError | Bit::UserAbort))
        line(QStringLiteral(" Communication Error Detected: Bad Data Received "));
    if (e.Has(Bit::UnknownError))
        line(QStringLiteral(" Unknown Error has Occured "));
    if (e.Has(Bit::ProgrammingVoltageError))
        line(QStringLiteral(" Voltage Error during Operation "));
    if (e.Has(Bit::AllDevicesFailed) && !e.Has(Bit::NotResponding))
        line(QStringLiteral(" All Selected Devices Failed "));
}

void BoxPart(ErrorReportContext& ctx)
{
    const LinkErrorWord& e = ctx.errors;
    const bool during = ctx.poweredForOperation;
    const QString detected = QStringLiteral("Voltage Error Detected");
    const QString detectedDuring = QStringLiteral("Voltage Error Detected During Operation");
    const QString damaged = QStringLiteral("* Programmer, device or target damaged.");
    const QString wrongChip = QStringLiteral("* Wrong chip/wrong adapter.");
    const QString wiring = QStringLiteral("* In-circuit wiring error.");
    const QString lvp = QStringLiteral("* Improper LVP/PGM signal connection.");
    const QString activeDriver = QStringLiteral("* Active driver on MCLR.");

    if (e.Has(Bit::PortError))
        Box(ctx, QStringLiteral("Communication Error"), QStringLiteral("Error communicating with Port."),
            BoxIcon::Warning);
    if (e.Has(Bit::VddTooLow)) {
        if (during)
            VoltageBox(ctx, detectedDuring, QStringLiteral("VDD Voltage Drop During Operation. Possible causes:"),
                       {lvp, QStringLiteral("* Target circuit pulling too much current."), damaged});
        else
            VoltageBox(ctx, detected, QStringLiteral("VDD Voltage TOO LOW. Possible causes:"),
                       {wrongChip, wiring, QStringLiteral("* Target pulling too much current."), damaged});
    }
    if (e.Has(Bit::VoltageOnVdd))
        VoltageBox(ctx, detected, QStringLiteral("Voltage detected on VDD. Possible causes:"),
                   {QStringLiteral("* Target self-powered AND does not turn off."), wiring,
                    QStringLiteral("* Programmer or MCU damaged.")});
    if (e.Has(Bit::VddTooHigh)) {
        const QString leak = QStringLiteral("* MCLR voltage leaking into VDD.");
        if (during)
            VoltageBox(ctx, detected, QStringLiteral("VDD TOO HIGH During Operation. Possible causes:"),
                       {lvp, wiring, leak, damaged});
        else
            VoltageBox(ctx, detected, QStringLiteral("VDD Voltage TOO HIGH. Possible causes:"),
                       {wrongChip, wiring, leak, damaged});
    }
    if (e.Has(Bit::VddNotRising))
        VoltageBox(ctx, detected, QStringLiteral("VDD not rising. Possible causes:"),
                   {wrongChip, wiring, QStringLiteral("* Target pulling too much current."), damaged});
    if (e.Has(Bit::MclrTooLow)) {
        if (during)
            VoltageBox(ctx, detectedDuring, QStringLiteral("MCLR Voltage Drop During Operation. Possible causes:"),
                       {lvp, QStringLiteral("* Target circuit pulling too much current."), damaged});
        else
            VoltageBox(ctx, detected, QStringLiteral("MCLR Voltage TOO LOW. Possible causes:"),
                       {wrongChip, wiring, activeDriver, damaged});
    }
    if (e.Has(Bit::MclrTooHigh)) {
        const QString programmer = QStringLiteral("* Damaged programmer.");
        if (during)
            VoltageBox(ctx, detected, QStringLiteral("MCLR TOO HIGH During Operation. Possible causes:"),
                       {wiring, lvp, programmer});
        else
            VoltageBox(ctx, detected, QStringLiteral("MCLR Voltage TOO HIGH. Possible causes:"), {wiring, programmer});
    }
    if (e.Has(Bit::CannotPullMclrLow))
        VoltageBox(ctx, detected, QStringLiteral("Can not pull MCLR low. Possible causes:"),
                   {wrongChip, wiring, QStringLiteral("* MCLR pull-up too strong."), activeDriver,
                    QStringLiteral("* Damaged programmer.")});
    if (e.Has(Bit::MclrNotRising))
        VoltageBox(ctx, detected, QStringLiteral("MCLR not rising. Possible causes:"),
                   {wrongChip, wiring, activeDriver, damaged});

    // At most one of the transfer-level boxes: the first that applies.
    if (e.Has(Bit::HighSpeedFailed)) {
        Box(ctx, QStringLiteral("Data Transfer Error"), QStringLiteral("Higher Transfer Speed Failed."),
            BoxIcon::Warning);
    } else if (e.Has(Bit::TaskFailed) && !e.Has(Bit::NotResponding)) {
        Box(ctx, QStringLiteral("Error Performing Selected Task"), QStringLiteral("Current Programming Task Failed."),
            BoxIcon::Warning);
    } else if (e.Has(Bit::NotResponding)) {
        MarkNotAvailable(ctx);
        Box(ctx, QStringLiteral("Communication Timeout"), QStringLiteral("Praxon Not Responding."), BoxIcon::Warning);
    } else if (e.Has(Bit::BadData) && !e.Has(Bit::AllDevicesFailed | Bit::ProgrammingVoltageError | Bit::UserAbort)) {
        Box(ctx, QStringLiteral("Bad Data Received"), QStringLiteral("Communication Error Detected."),
            BoxIcon::Warning);
    }
    if (e.Has(Bit::UnknownError))
        Box(ctx, QStringLiteral("Error Performing Operation"), QStringLiteral("Unknown Error has Occurred."),
            BoxIcon::Error);
    if (e.Has(Bit::ProgrammingVoltageError))
        Box(ctx, QStringLiteral("Voltage Error during Operation"), QStringLiteral("Programming Voltage Error."),
            BoxIcon::Warning);
}
} // namespace

QStringList CutIntoLines(const QString& text, int width)
{
    if (text.isEmpty())
        return {QStringLiteral(" ")};
    QStringList lines;
    for (int at = 0; at < text.size(); at += width)
        lines.append(text.mid(at, width));
    return lines;
}

bool ReportErrors(ErrorReportContext& ctx)
{
    LogPart(ctx);
    if (ctx.flags.StopRequested)
        BoxPart(ctx);
    ctx.errors.DropReportedHighBits();
    return ctx.flags.StopRequested;
}
