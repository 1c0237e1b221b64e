#include "core/devices/ParameterEditor.h"

#include "core/context/AppContext.h"
#include "core/devices/TemplateLoader.h"
#include "core/model/TemplateTables.h"
#include "core/util/IniFile.h"

#include <QCoreApplication>

namespace {

QString ValuePart(const QString& line)
{
    const qsizetype eq = line.indexOf(u'=');
    return eq < 0 ? QString() : line.mid(eq + 1);
}

// Replaces value index of a raw row (the row is padded with zeros to reach it).
void SetValue(QString& row, int index, int value)
{
    QStringList values = row.split(u',');
    while (values.size() <= index)
        values << QStringLiteral("0");
    values[index] = QString::number(value);
    row = values.join(u',');
}

// Adds delta to the child count of every ancestor of a row at level, looking upwards from from:
// each row whose level is below the level sought is an ancestor, and the level sought then drops
// by one, until the top level has been passed.
void AdjustAncestors(QStringList& rows, int from, int level, int delta)
{
    for (int r = qMin(from, int(rows.size()) - 1); r >= 0 && level > 0; --r) {
        if (ParameterEditor::Value(rows[r], 1) < level) {
            SetValue(rows[r], 2, ParameterEditor::Value(rows[r], 2) + delta);
            --level;
        }
    }
}

} // namespace

ParameterEditor::ParameterEditor(AppContext& ctx) : m_ctx(ctx)
{
    const DeviceProfile& p = ctx.Profile();
    m_section = QStringLiteral("T") + p.plates;
    const QString file = TemplateFileOfSection(ctx.AppDir(), p.tableVersion, m_section);
    m_path = ctx.AppFile(file);
    const IniFile ini(m_path);
    const int names = int(ini.ReadSectionLines(QStringLiteral("NodeNames")).size());
    for (int n = 0; n < names; ++n)
        m_nodeNames << ini.ReadString(QStringLiteral("NodeNames"), QString::number(n), QString());
    const QString opFile = TemplateFileOfSection(ctx.AppDir(), p.tableVersion, p.plates);
    m_operationNames = IniFile(ctx.AppFile(opFile)).ReadSection(p.plates);
    for (const QString& line : ctx.Templates().taskLines)
        m_rows << ValuePart(line);
}

int ParameterEditor::Value(const QString& row, int index)
{
    const QStringList values = row.split(u',');
    if (index >= values.size())
        return 0;
    bool ok = false;
    const int value = values[index].trimmed().toInt(&ok);
    return ok ? value : 0;
}

QString ParameterEditor::NewRowText(int code, int level, bool enabled, const QList<int>& steps)
{
    QStringList values{QString::number(code), QString::number(level), QStringLiteral("0"),
                       enabled ? QStringLiteral("1") : QStringLiteral("0"), QString::number(steps.size())};
    for (int s : steps)
        values << QString::number(s);
    return values.join(u',');
}

int ParameterEditor::InsertSameLevel(QStringList& rows, int selected, const QString& row)
{
    if (rows.isEmpty()) {
        rows << row;
        return 0;
    }
    selected = qBound(0, selected, int(rows.size()) - 1);
    const int at = qMin(int(rows.size()), selected + Value(rows[selected], 2) + 1);
    QString added = row;
    const int level = Value(rows[selected], 1);
    SetValue(added, 1, level);
    rows.insert(at, added);
    AdjustAncestors(rows, selected - 1, level, 1);
    return at;
}

int ParameterEditor::InsertNextLevel(QStringList& rows, int selected, const QString& row)
{
    if (rows.isEmpty()) {
        rows << row;
        return 0;
    }
    selected = qBound(0, selected, int(rows.size()) - 1);
    QString added = row;
    const int level = Value(rows[selected], 1) + 1;
    SetValue(added, 1, level);
    rows.insert(selected + 1, added);
    AdjustAncestors(rows, selected, level, 1);
    return selected + 1;
}

int ParameterEditor::DeleteWithChildren(QStringList& rows, int index)
{
    if (index < 0 || index >= rows.size())
        return qMax(0, qMin(index, int(rows.size()) - 1));
    const int children = qBound(0, Value(rows[index], 2), int(rows.size()) - 1 - index);
    AdjustAncestors(rows, index - 1, Value(rows[index], 1), -(children + 1));
    for (int i = 0; i < children; ++i)
        rows.removeAt(index + 1);
    rows.removeAt(index);
    return qMax(0, index - 1);
}

bool ParameterEditor::StepsAreTasks(int row) const
{
    const TemplateTables& t = m_ctx.Templates();
    return row >= 0 && row < TemplateTables::RowCount && t.rows[size_t(row)].valueB != 0;
}

const QStringList& ParameterEditor::AvailableSteps(int row) const
{
    return StepsAreTasks(row) ? m_nodeNames : m_operationNames;
}

void ParameterEditor::Select(int row)
{
    m_selected = qMax(0, row);
}

void ParameterEditor::Changed()
{
    QStringList lines;
    for (int i = 0; i < m_rows.size(); ++i)
        lines << QString::number(i) + u'=' + m_rows[i];
    m_ctx.Templates().taskLines = lines;
    m_reparse = true;
}

void ParameterEditor::AddSameLevel(int code, bool enabled, const QList<int>& steps)
{
    const int level = m_rows.isEmpty() ? 0 : Value(m_rows.value(m_selected), 1);
    InsertSameLevel(m_rows, m_selected, NewRowText(code, level, enabled, steps));
    Changed();
}

void ParameterEditor::AddNextLevel(int code, bool enabled, const QList<int>& steps)
{
    const int level = m_rows.isEmpty() ? 0 : Value(m_rows.value(m_selected), 1) + 1;
    InsertNextLevel(m_rows, m_selected, NewRowText(code, level, enabled, steps));
    Changed();
}

void ParameterEditor::Modify(int code, bool enabled, const QList<int>& steps)
{
    if (m_selected < 0 || m_selected >= m_rows.size())
        return;
    QString row = NewRowText(code, Value(m_rows[m_selected], 1), enabled, steps);
    SetValue(row, 2, Value(m_rows[m_selected], 2));
    m_rows[m_selected] = row;
    Changed();
}

void ParameterEditor::Delete(int row)
{
    if (row < 0 || row >= m_rows.size())
        return;
    m_selected = DeleteWithChildren(m_rows, row);
    Changed();
}

bool ParameterEditor::Ok(QString* error)
{
    if (!m_rows.isEmpty()) {
        // The file as it is now, so that nothing but this section changes.
        IniFile ini(m_path);
        ini.EraseSection(m_section);
        for (int i = 0; i < m_rows.size(); ++i)
            ini.WriteString(m_section, QString::number(i), m_rows[i]);
        if (!ini.Save(error))
            return false;
    }
    Close();
    return true;
}

void ParameterEditor::Abort()
{
    Close();
}

void ParameterEditor::Close()
{
    m_open = false;
}

void RunParameterEditor(AppContext& ctx)
{
    TemplateTables& t = ctx.Templates();
    ParameterEditorView* view = t.parameterEditorView;
    if (!view || t.parameterEditorOpen)
        return;
    ParameterEditor editor(ctx);
    t.parameterEditorOpen = true;
    view->Open(editor);
    while (editor.IsOpen()) {
        if (editor.ReparseRequested()) {
            editor.TakeReparse();
            const IniFile names(editor.FilePath());
            ParseTaskRows(t, t.taskLines, names);
            BuildTaskTree(t);
            view->Refresh();
            continue;
        }
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    view->Closed();
    t.parameterEditorOpen = false;
}
