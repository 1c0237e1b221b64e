#include "core/engine/TaskTreeControl.h"

#include "core/context/AppContext.h"
#include "core/devices/ParameterEditor.h"
#include "core/model/OptionIndex.h"
#include "core/options/OptionRefresh.h"

namespace {
constexpr int NoHover = 255;

// The option entry a cycle's "Enabled" item toggles, or -1 for codes that switch their own row.
int OptionOfCode(const OptionTable& options, int code)
{
    switch (code) {
    case 1: return OptionIndex::Erase;
    case 7: return OptionIndex::BlankCheck;
    case 18: return OptionIndex::Verify;
    case 24: return OptionIndex::SerialNumbering;
    case 25: return options.Present(OptionIndex::SerialInEe) ? OptionIndex::SerialInCode : OptionIndex::SerialNumbering;
    case 26: return options.Present(OptionIndex::SerialInCode) ? OptionIndex::SerialInEe : OptionIndex::SerialNumbering;
    case 27: return OptionIndex::NoRead;
    case 33: return OptionIndex::ProgramConfig;
    default: return -1;
    }
}
} // namespace

const TaskPopupItem& TaskTreeControl::PreparePopup()
{
    TemplateTables& t = m_ctx.Templates();
    m_popup.enabled = !m_ctx.Options().OptionsHidden();
    const int row = t.selectedRow;
    if (row >= 0 && row < t.nodeCount) {
        const TaskRow& r = t.rows[size_t(row)];
        m_popup.caption = r.name + (r.run ? QStringLiteral("  [Enabled]") : QStringLiteral("  [Disabled]"));
        m_popup.code = r.taskCode;
        if (r.taskCode == 0 || r.taskCode == 12)
            m_popup.enabled = false;
        t.treeSelectAllowed = false;
    }
    return m_popup;
}

void TaskTreeControl::ChooseEnabled()
{
    const int code = m_popup.code;
    const int option = OptionOfCode(m_ctx.Options(), code);
    if (option >= 0) {
        ToggleOptionFromTaskTree(m_ctx, option);
        return;
    }
    TemplateTables& t = m_ctx.Templates();
    const int row = t.RowIndexOfCode(code);
    if (row < 0)
        return;
    if (t.rows[size_t(row)].run)
        t.SwitchOff(row);
    else
        t.SwitchOn(row);
    t.NotifyStatesChanged();
}

void TaskTreeControl::MouseOver(int row)
{
    TemplateTables& t = m_ctx.Templates();
    if (row < 0) {
        t.treeSelectAllowed = false;
        t.mouseOffItem = true;
        t.hoverRow = NoHover;
    } else {
        t.mouseOffItem = false;
        t.hoverRow = row;
    }
}

int TaskTreeControl::Click()
{
    TemplateTables& t = m_ctx.Templates();
    if (m_ctx.Flags().StartupInProgress || t.hoverRow == NoHover || t.mouseOffItem || t.hoverRow >= t.nodeCount)
        return -1;
    const int row = t.hoverRow;
    // While the parameter editor is open a click only opens the row in the editor.
    if (t.parameterEditorOpen && t.parameterEditorView) {
        t.treeSelectAllowed = true;
        t.selectedRow = row;
        t.parameterEditorView->ShowRow(row);
        return -1;
    }
    const TaskRow& r = t.rows[size_t(row)];
    OperatorInterface& op = m_ctx.Operator();
    if (!r.enabled) {
        op.ShowInformation(QStringLiteral("Task Not Available"),
                           QStringLiteral("This Task is not available for the selected MCU."));
        return -1;
    }
    if (!r.run) {
        op.ShowInformation(
            QStringLiteral("Task Disabled"),
            QStringLiteral("This Task has been disabled.\r\rUse the \"MCU Section\" menu or activate mouse "
                           "access,\rby changing \"Options\" or Right Click."));
        return -1;
    }
    if (t.treeSelectAllowed)
        t.selectedRow = row;
    // With option editing locked the tree runs nothing.
    if (m_ctx.Options().OptionsHidden())
        return -1;
    return row;
}

bool TaskTreeControl::SelectionMayChange(int row) const
{
    const TemplateTables& t = m_ctx.Templates();
    return !m_ctx.Flags().StartupInProgress && t.treeSelectAllowed && row >= 0 && row < t.nodeCount;
}
