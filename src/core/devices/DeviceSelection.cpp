#include "core/devices/DeviceSelection.h"

#include "core/context/AppContext.h"
#include "core/util/HexText.h"
#include "core/util/IniFile.h"

#include <algorithm>
#include <vector>

namespace {
const QString TableFileError = QStringLiteral("Table File Error");
} // namespace

void BuildDeviceList(AppContext& ctx)
{
    QStringList notes;
    const IniFile table(ctx.AppFile(QString::fromLatin1(DeviceTableFile)));

    // Notes 0 .. count-1, in number order. Only keys the section really holds can be notes, so
    // the walk goes over those keys and a huge count cannot make start-up loop.
    const QString notesSection = QStringLiteral("DEVNOTES");
    const qint64 noteCount = table.ReadInteger(notesSection, QStringLiteral("count"), 0);
    std::vector<qint64> numbers;
    for (const QString& key : table.ReadSection(notesSection)) {
        bool ok = false;
        const qint64 n = key.toLongLong(&ok);
        if (ok && n >= 0 && n < noteCount && key == QString::number(n))
            numbers.push_back(n);
    }
    std::sort(numbers.begin(), numbers.end());
    numbers.erase(std::unique(numbers.begin(), numbers.end()), numbers.end());
    for (qint64 n : numbers) {
        const QString note = table.ReadString(notesSection, QString::number(n), QStringLiteral("X"));
        if (note != QLatin1String("X"))
            notes << u' ' + note;
    }

    QStringList lines = table.ReadSectionLines(QStringLiteral("PXDEVICES"));
    if (lines.isEmpty()) {
        ctx.Operator().ShowError(TableFileError, QStringLiteral("Error - Device Types Missing. Please Re-install "
                                                                "Program or update supporting files."));
        ctx.Flags().AutoRunPending = false;
        lines = QStringList{QStringLiteral("16F877=877")};
    }
    DeviceList& list = ctx.Devices();
    list.SetNotes(notes);
    list.SetLines(lines);
}

bool SelectDeviceByName(AppContext& ctx, const QString& name)
{
    DeviceList& list = ctx.Devices();
    const int found = list.FindByName(name);
    if (found >= 0) {
        list.SetSelectedIndex(found);
        ctx.File().mcuName = name;
        return true;
    }
    if (list.SelectedIndex() < 0) {
        if (!ctx.Flags().AutoRunArmed)
            ctx.Operator().ShowError(TableFileError, QStringLiteral("Error - Device Type Missing. Please Re-install "
                                                                    "Program or update supporting files."));
    } else {
        list.SetSelectedIndex(0);
        ctx.Operator().ShowError(TableFileError, QStringLiteral("Error - Incorrect or Unsupported Device Type: [") +
                                                     name +
                                                     QStringLiteral("]. Please specify a valid MCU or update "
                                                                    "supporting files."));
    }
    ctx.Flags().AutoRunPending = false;
    return false;
}

bool SelectDeviceByCode(AppContext& ctx, quint16 code)
{
    DeviceList& list = ctx.Devices();
    const int found = list.FindByCode(code);
    if (found >= 0) {
        list.SetSelectedIndex(found);
        if (!ctx.Flags().McuFromCommandLine)
            ctx.File().mcuName = DeviceList::KeyOf(list.Lines().at(found));
        return true;
    }
    // An unknown code changes nothing: the device stays the one the MCU name (control file,
    // store or /D) already stands for, so the file is not read against an arbitrary part. Only
    // when that name is unknown too does the selection stay as it was (the first device when none).
    ctx.History().AddLine(QStringLiteral("  Unknown device code in HEX file: ") + HexWord(code, 4),
                          HistoryStyle::FileWarning);
    const int named = ctx.File().mcuName.isEmpty() ? -1 : list.FindByName(ctx.File().mcuName);
    if (named >= 0)
        list.SetSelectedIndex(named);
    else if (list.SelectedIndex() < 0)
        list.SetSelectedIndex(0);
    if (!ctx.Flags().AutoRunArmed) {
        ctx.Operator().ShowError(TableFileError, QStringLiteral("Error - Device Type Missing or not supported. Please "
                                                                "Re-install Program or update supporting files."));
        ctx.Flags().AutoRunPending = false;
    }
    return false;
}
