#include "core/devices/TemplateLoader.h"

#include "core/context/AppContext.h"
#include "core/devices/OperationRegions.h"
#include "core/devices/ParameterEditor.h"
#include "core/devices/SupportFiles.h"
#include "core/model/OptionIndex.h"
#include "core/model/TemplateTables.h"
#include "core/util/IniFile.h"

#include <QFileInfo>

namespace {

const QString TableError = QStringLiteral("Table Error");
const QString UpdateAdvice = QStringLiteral("Please Update Templates or re-install program.");
const QString NoOperation = QStringLiteral("0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0,0");
constexpr int MinOperationValueLength = 33;
constexpr int MaxLevel = 6;

// The value part of "key=value"; a line without '=' has none.
QString ValuePart(const QString& line)
{
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.mid(eq + 1);
}

// Decimal 0..255 or -1 when not a number.
int DecimalValue(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 10);
    return ok ? value : -1;
}

int HexValue(const QString& text)
{
    bool ok = false;
    const int value = text.trimmed().toInt(&ok, 16);
    return ok ? value : 0;
}

void MissingFileMessage(OperatorInterface& op, const QString& path)
{
    op.ShowWarning(TableError,
                   QStringLiteral("Template File is MISSING:\r\r") + path + QStringLiteral("\r\r") + UpdateAdvice);
}

} // namespace

QString TemplateFileOfSection(const QString& appDir, const QString& tableVersion, const QString& section)
{
    const QString first = TemplateFileName(tableVersion, 0);
    if (first.isEmpty())
        return QString();
    if (IniFile(appDir + first).SectionExists(section))
        return first;
    return TemplateFileName(tableVersion, 1);
}

namespace {

// Why a row's steps cannot be taken as written, or empty when they can: the count must be a
// number from 0 to MaxSteps equal to the number of steps listed, each step a number 0 to 255.
QString StepsFault(const QStringList& values)
{
    const QString countText = values[4].trimmed();
    const qsizetype listed = values.size() - 5;
    bool numeric = false;
    const qint64 count = countText.toLongLong(&numeric, 10);
    if (!numeric || count < 0 || count > TaskRow::MaxSteps)
        return QStringLiteral("The step count [%1] is not a number from 0 to %2.")
            .arg(countText)
            .arg(TaskRow::MaxSteps);
    if (count != listed)
        return QStringLiteral("The step count [%1] does not match the %2 steps listed.").arg(count).arg(listed);
    for (qsizetype s = 0; s < listed; ++s) {
        const int step = DecimalValue(values[5 + s]);
        if (step < 0 || step > 255)
            return QStringLiteral("Step %1 [%2] is not a number from 0 to 255.")
                .arg(s + 1)
                .arg(values[5 + s].trimmed());
    }
    return QString();
}

// At most this much of a refused line is quoted in the message.
constexpr int QuotedLineLength = 80;

} // namespace

RefusedTaskRow ParseTaskRows(TemplateTables& t, const QStringList& sourceLines, const IniFile& nodeNames)
{
    t.Clear();
    QStringList lines = sourceLines;
    if (lines.isEmpty())
        lines << QStringLiteral("0=0,0,0,0");

    const int count = int(qMin<qsizetype>(lines.size(), TemplateTables::RowCount));
    for (int j = 0; j < count; ++j) {
        TaskRow& row = t.rows[size_t(j)];
        row.enabled = row.available = row.onByDefault = row.run = 1;
        row.group = 0;
        row.nodeState = TaskRow::Ready;
        row.imageOffset = 8;
        row.selectedImageOffset = 9;

        const QStringList values = ValuePart(lines[j]).split(u',');
        const auto has = [&](int i) { return i < values.size() && !(i == 0 && values[0].trimmed().isEmpty()); };
        // A line that lacks a needed value ends the list there: the row goes back to "no task",
        // so the tree ends before it, and the parse stops.
        int previousRowOfCode = TaskRow::NoTask;
        const auto stopAt = [&] {
            if (row.taskCode != TaskRow::NoTask)
                t.RowOfCode[size_t(row.taskCode)] = previousRowOfCode;
            row = TaskRow{};
            row.steps.fill(TaskRow::NoTask);
        };

        // Value 0: the code and its node name; an unknown code or name becomes "no task".
        if (!has(0)) {
            stopAt();
            return {};
        }
        int code = DecimalValue(values[0]);
        QString name;
        QString description;
        if (code >= 0 && code < TaskRow::NoTask) {
            const QString entry = nodeNames.ReadString(QStringLiteral("NodeNames"), QString::number(code),
                                                       QStringLiteral("Invalid,Invalid"));
            const qsizetype comma = entry.indexOf(u',');
            name = comma < 0 ? entry : entry.left(comma);
            description = comma < 0 ? QString() : entry.mid(comma + 1);
            if (description == QLatin1String("Invalid"))
                code = TaskRow::NoTask;
        } else {
            code = TaskRow::NoTask;
        }
        row.taskCode = code;
        row.name = name;
        row.description = description;
        if (code != TaskRow::NoTask) {
            previousRowOfCode = t.RowOfCode[size_t(code)];
            t.RowOfCode[size_t(code)] = j;
        }

        if (!has(1)) {
            stopAt();
            return {};
        }
        row.level = qMax(0, DecimalValue(values[1]));
        if (!has(2)) {
            stopAt();
            return {};
        }
        row.valueB = qMax(0, DecimalValue(values[2]));
        if (!has(3)) {
            stopAt();
            return {};
        }
        const int enabled = qMax(0, DecimalValue(values[3]));
        row.enabled = quint8(enabled);
        if (code == TaskRow::NoTask || (enabled & 0xFF) == 0) {
            row.run = row.onByDefault = row.available = row.enabled = 0;
            row.nodeState = TaskRow::NotAvailable;
        }
        if (row.valueB >= 1) {
            row.group = 1;
            row.imageOffset = 0;
            row.selectedImageOffset = 1;
        }
        if (!has(4))
            return {};
        const QString fault = StepsFault(values);
        if (!fault.isEmpty()) {
            t.Clear();
            return {j, fault};
        }
        row.stepCount = DecimalValue(values[4]);
        for (int s = 0; s < row.stepCount; ++s)
            row.steps[size_t(s)] = quint8(DecimalValue(values[5 + s]));
    }
    return {};
}

void BuildTaskTree(TemplateTables& t)
{
    t.menu.Clear();
    t.parentRow.fill(-1);
    for (TaskRow& row : t.rows)
        row.menuEntry = -1;
    std::array<int, 16> lastAtLevel;
    lastAtLevel.fill(-1);

    const auto addEntry = [&](int row, int parentEntry) {
        TaskRow& r = t.rows[size_t(row)];
        t.menu.entries.push_back(McuSectionMenu::Entry{r.name, r.taskCode, row, parentEntry});
        r.menuEntry = int(t.menu.entries.size()) - 1;
    };

    int n = 0;
    for (; n < TemplateTables::RowCount; ++n) {
        const TaskRow& r = t.rows[size_t(n)];
        if (r.taskCode == TaskRow::NoTask || r.level > MaxLevel || r.level < 0)
            break;
        const int level = r.level;
        const int parent = level >= 1 ? lastAtLevel[size_t(level - 1)] : -1;
        t.parentRow[size_t(n)] = parent;
        if (r.group) {
            lastAtLevel[size_t(level)] = n;
            if (level == 0 ? r.taskCode != 0 : (r.taskCode != 24 && r.taskCode != 33))
                addEntry(n, -1);
            continue;
        }
        if (level == 0 || parent < 0)
            continue; // a row without a node at the level above stays at the top, outside the menu
        const int parentCode = t.rows[size_t(parent)].taskCode;
        if (parentCode == 24)
            continue;
        int holder = parent;
        if (parentCode == 33) {
            if (r.taskCode == 35 || r.taskCode == 17)
                holder = t.RowIndexOfCode(12);
            else if (r.taskCode == 23)
                holder = t.RowIndexOfCode(18);
            else
                holder = -1;
        }
        const int holderEntry = holder >= 0 ? t.rows[size_t(holder)].menuEntry : -1;
        if (holderEntry >= 0)
            addEntry(n, holderEntry);
    }
    t.nodeCount = n;
    t.NotifyRebuilt();
}

void ParseOperationLine(TemplateTables& t, int slot, const QString& valuePart, const DeviceProfile& profile,
                        bool skipBlank)
{
    OperationRecord& op = t.operations[size_t(slot)];
    op = OperationRecord{};
    op.present = 1;
    op.size = RegionSize(slot, profile);
    QString text = valuePart;
    if (text.size() < MinOperationValueLength || SlotAbsentForDevice(slot, profile)) {
        text = NoOperation;
        op.present = 0;
    }
    op.SetLocationField(op.size > 0 ? quint32(op.size - 1) : 0);
    const QStringList v = text.split(u',');
    const QString presence = v.value(0).trimmed();
    if (op.present)
        op.present = (!presence.isEmpty() && presence[0].isDigit() && presence[0] != u'0') ? 1 : 0;
    if (!op.present || v.size() < 17)
        return;

    auto& block = op.parameterBlock;
    const auto dec = [&](int i) { return quint8(qBound(0, DecimalValue(v[i]), 255)); };
    block[OperationRecord::OperationCode] = dec(1);
    op.basePulse = dec(2);
    block[OperationRecord::Pulse] = op.basePulse;
    block[OperationRecord::SocketOrdinals] = dec(3);
    block[OperationRecord::CountRule] = dec(4);
    block[OperationRecord::ItemUnit] = dec(5);
    block[OperationRecord::CountOrIndex] = dec(7);
    const int maskLow = HexValue(v[8]) & 0xFF;
    const int maskHigh = HexValue(v[9]) & 0xFF;
    block[OperationRecord::MaskLow] = quint8(maskLow);
    block[OperationRecord::MaskHigh] = quint8(maskHigh);
    op.wordMask = quint32(maskHigh * 256 + maskLow);
    quint8 flags = dec(10);
    if (skipBlank)
        flags &= ~OperationRecord::FlagWriteEveryWord;
    else
        flags |= OperationRecord::FlagWriteEveryWord;
    block[OperationRecord::Flags] = flags;
    block[13] = dec(11);
    block[14] = dec(12);
    block[15] = dec(13);
    block[16] = dec(14);
    const bool panelSlot = slot == 5 || slot == 13;
    block[OperationRecord::PanelCount] =
        quint8(!panelSlot ? 1 : (profile.core == CoreFamily::Core18X ? profile.panelCount : profile.paw));

    const QString script = v[15].trimmed();
    int length = 0;
    for (int i = 0; i + 1 < script.size() && length < OperationRecord::MaxScript; i += 2)
        op.script[size_t(length++)] = quint8(HexValue(script.mid(i, 2)));
    op.scriptLength = length;
    op.powerMode = HexValue(v[16]);
}

bool LoadTaskRows(AppContext& ctx)
{
    TemplateTables& t = ctx.Templates();
    const DeviceProfile& p = ctx.Profile();
    const QString section = QStringLiteral("T") + p.plates;
    const QString file = TemplateFileOfSection(ctx.AppDir(), p.tableVersion, section);
    const IniFile ini(ctx.AppFile(file));
    t.taskLines = file.isEmpty() ? QStringList() : ini.ReadSectionLines(section);
    const RefusedTaskRow refused = ParseTaskRows(t, t.taskLines, ini);
    BuildTaskTree(t);
    if (refused.line >= 0) {
        const QList<int> numbers = ini.SectionLineNumbers(section);
        QString quoted = t.taskLines.value(refused.line);
        if (quoted.size() > QuotedLineLength)
            quoted = quoted.left(QuotedLineLength) + QStringLiteral("...");
        ctx.Operator().ShowWarning(TableError, QStringLiteral("Task Row Refused in Template File:\r\r") + ini.Path() +
                                                   QStringLiteral(", line %1:\r").arg(numbers.value(refused.line)) +
                                                   quoted + QStringLiteral("\r\r") + refused.reason +
                                                   QStringLiteral("\r\r") + UpdateAdvice);
    }
    if (t.parameterEditing)
        RunParameterEditor(ctx);
    return refused.line < 0;
}

bool LoadTemplates(AppContext& ctx, const QString& deviceName)
{
    ConnectTaskRowsToOptions(ctx);
    OperatorInterface& op = ctx.Operator();
    const DeviceProfile& p = ctx.Profile();
    TemplateTables& t = ctx.Templates();

    for (int which = 0; which < 2; ++which) {
        const QString name = TemplateFileName(p.tableVersion, which);
        const QString path = ctx.AppFile(name.isEmpty() ? QStringLiteral("PX%10.PXT").arg(p.tableVersion) : name);
        if (name.isEmpty() || !QFileInfo::exists(path)) {
            MissingFileMessage(op, path);
            return false;
        }
    }

    const bool rowsTaken = LoadTaskRows(ctx);

    const QString file = TemplateFileOfSection(ctx.AppDir(), p.tableVersion, p.plates);
    const QString path = ctx.AppFile(file);
    const IniFile ini(path);
    QStringList lines = ini.ReadSectionLines(p.plates);
    bool usable = true;
    if (lines.size() <= 32) {
        op.ShowWarning(TableError, QStringLiteral("Templates for MCU [") + deviceName +
                                       QStringLiteral("] are MISSING:") + QStringLiteral("\r\r") + path +
                                       QStringLiteral("\r\r") + UpdateAdvice);
        lines << QStringLiteral("Template Error=") + NoOperation;
        usable = false;
    }
    const bool skipBlank = ctx.Options().Effective(OptionIndex::SkipBlank);
    const int used = int(qMin<qsizetype>(lines.size(), TemplateTables::SlotCount));
    for (int n = 0; n < used; ++n)
        ParseOperationLine(t, n, usable ? ValuePart(lines[n]) : QString(), p, skipBlank);

    // Slots 5, 6 and 7 tell the image which bits of a code, EE and calibration cell exist.
    MemoryImage& image = ctx.Image();
    image.CodeGrid().wordMask = quint16(t.operations[5].wordMask);
    image.EeGrid().wordMask = quint16(t.operations[6].wordMask);
    image.CalibrationGrid().wordMask = quint16(t.operations[7].wordMask);

    t.templateName = p.plates;
    t.templateFile = file;
    t.templateVersion = int(ini.ReadInteger(QStringLiteral("PRAXON"), QStringLiteral("VERSION"), 0) & 0xFFFF);
    t.templateSoftware = ini.ReadString(QStringLiteral("PRAXON"), QStringLiteral("SOFTWARE"), QStringLiteral("NONE"));
    if (t.templateSoftware != QLatin1String(InstalledSoftwareVersion))
        ReportVersionMismatch(op, QStringLiteral("DEVICE TEMPLATES"));

    if (p.plates == QLatin1String("NONE")) {
        MissingFileMessage(op, path);
        return false;
    }
    bool numeric = false;
    const int tableVersion = p.tableVersion.trimmed().toInt(&numeric);
    if (!numeric || tableVersion != t.templateVersion) {
        op.ShowWarning(TableError, QStringLiteral("Configuration Files do not match.\r\r") + UpdateAdvice);
        return false;
    }
    return rowsTaken;
}

void ConnectTaskRowsToOptions(AppContext& ctx)
{
    TemplateTables& t = ctx.Templates();
    if (t.connectedToOptions)
        return;
    t.connectedToOptions = true;
    ctx.Bindings().AddTaskRowHandler([&t](const TaskRowCommand& command) {
        const int row = t.RowIndexOfCode(command.code);
        if (row < 0)
            return;
        if (command.change == TaskRowChange::Disable)
            t.Disable(row);
        else
            t.ApplyAvailability(row, command.available);
    });
    ctx.Bindings().AddStage(OptionStage::TaskTree, [&t] { t.NotifyStatesChanged(); });
}
