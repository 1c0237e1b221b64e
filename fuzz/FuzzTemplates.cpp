// The template loader: the task rows of the file's first "T" section with the node names, the task
// tree built from them, and the operation lines of the first other section parsed for a 14-bit and
// a 16-bit device; then every row's steps looked up as the task engine does.
#include "FuzzSupport.h"
#include "FuzzTargets.h"

#include "core/devices/TemplateLoader.h"
#include "core/model/DeviceProfile.h"
#include "core/model/TemplateTables.h"
#include "core/util/IniFile.h"

namespace PraxonFuzz {

namespace {

QString ValuePart(const QString& line)
{
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.mid(eq + 1);
}

DeviceProfile Profile(CoreFamily core, int rom, int ee)
{
    DeviceProfile p;
    p.core = core;
    p.rom = rom;
    p.ee = ee;
    p.paw = 8;
    p.panelCount = 4;
    return p;
}

} // namespace

int TemplateLoad(const uint8_t* data, size_t size)
{
    static TemplateTables* tables = new TemplateTables;
    static const DeviceProfile profiles[] = {Profile(CoreFamily::CoreXX, 8192, 256),
                                             Profile(CoreFamily::Core18X, 16384, 256)};
    IniFile ini;
    ini.SetText(Latin1(data, size));
    QString taskSection;
    QString operationSection;
    for (const QString& section : ini.SectionNames()) {
        if (taskSection.isEmpty() && section.startsWith(u'T', Qt::CaseInsensitive))
            taskSection = section;
        else if (operationSection.isEmpty() && section.compare(QLatin1String("NodeNames"), Qt::CaseInsensitive) != 0 &&
                 section.compare(QLatin1String("PRAXON"), Qt::CaseInsensitive) != 0)
            operationSection = section;
    }

    TemplateTables& t = *tables;
    t.taskLines = ini.ReadSectionLines(taskSection);
    ParseTaskRows(t, t.taskLines, ini);
    BuildTaskTree(t);
    for (int row = 0; row < t.nodeCount; ++row) {
        if (t.parentRow[size_t(row)] >= t.nodeCount)
            Fail("template: a node's parent lies outside the tree");
        for (int s = 0; s < t.rows[size_t(row)].stepCount; ++s) {
            const int stepRow = t.RowIndexOfCode(t.rows[size_t(row)].steps[size_t(s)]);
            if (stepRow >= TemplateTables::RowCount)
                Fail("template: a step's row lies outside the table");
        }
        t.ApplyAvailability(row, (row + int(size)) % 2);
    }

    const QStringList lines = ini.ReadSectionLines(operationSection);
    const int used = int(qMin<qsizetype>(lines.size(), TemplateTables::SlotCount));
    for (const DeviceProfile& profile : profiles) {
        for (int n = 0; n < used; ++n) {
            ParseOperationLine(t, n, ValuePart(lines[n]), profile, size % 2);
            if (t.operations[size_t(n)].scriptLength > OperationRecord::MaxScript)
                Fail("template: a script longer than its buffer");
        }
    }
    return 0;
}

} // namespace PraxonFuzz
