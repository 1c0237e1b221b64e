#include "core/devices/DeviceList.h"

#include "core/context/AppContext.h"
#include "core/util/HexText.h"
#include "core/util/IniFile.h"

#include <algorithm>
#include <vector>

namespace {
const QString TableFileError = QStringLiteral("Table File Error");
} // namespace

void SortTableLines(QStringList& lines)
{
    std::stable_sort(lines.begin(), lines.end(),
                     [](const QString& a, const QString& b) { return a.compare(b, Qt::CaseInsensitive) < 0; });
}

bool IsSupportMarker(QChar c)
{
    switch (c.unicode()) {
    case u'*':
    case u'~':
    case 0xB0:
    case 0xB2:
    case 0xB3:
    case 0xB9: return true;
    default: return false;
    }
}

void DeviceList::Build(AppContext& ctx)
{
    m_notes.clear();
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
            m_notes << u' ' + note;
    }

    m_lines = table.ReadSectionLines(QStringLiteral("PXDEVICES"));
    if (m_lines.isEmpty()) {
        ctx.Operator().ShowError(TableFileError, QStringLiteral("Error - Device Types Missing. Please Re-install "
                                                                "Program or update supporting files."));
        ctx.Flags().AutoRunPending = false;
        m_lines = QStringList{QStringLiteral("16F877=877")};
    }
    SortTableLines(m_lines);
}

void DeviceList::Clear()
{
    m_lines.clear();
    m_notes.clear();
    m_selected = 0;
}

QString DeviceList::SelectedLine() const
{
    return m_selected >= 0 && m_selected < Count() ? m_lines.at(m_selected) : QString();
}

QString DeviceList::KeyOf(const QString& line)
{
    QString rest = line;
    return SplitAtSeparator(rest, u'=');
}

QString DeviceList::CodeOf(const QString& line)
{
    QString rest = line;
    SplitAtSeparator(rest, u'=');
    return rest;
}

int DeviceList::FindByName(const QString& name) const
{
    if (name.isEmpty())
        return -1;
    for (int i = 0; i < Count(); ++i) {
        if (m_lines.at(i).contains(name, Qt::CaseInsensitive))
            return i;
    }
    return -1;
}

int DeviceList::FindByCode(quint16 code) const
{
    for (int i = 0; i < Count(); ++i) {
        if (ParseHexText(CodeOf(m_lines.at(i))) == code)
            return i;
    }
    return -1;
}

void DeviceList::SetLines(const QStringList& lines)
{
    m_lines = lines;
    SortTableLines(m_lines);
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
