#pragma once

#include <QString>

class AppContext;

// The task tree's behaviour that needs no programming run: the pop-up menu's "Enabled" item,
// clicks on nodes, hover tracking and the selection rule. The GUI forwards its events here and
// renders TemplateTables.

// The "Enabled" item as the pop-up shows it.
struct TaskPopupItem {
    QString caption = QStringLiteral("Enabled");
    int code = 63;       // the task code the item acts on
    bool enabled = true; // can be chosen
};

class TaskTreeControl
{
public:
    explicit TaskTreeControl(AppContext& ctx) : m_ctx(ctx) {}

    // Each time the pop-up opens: the item follows the selected node (caption with "  [Enabled]"
    // or "  [Disabled]", its task code, not choosable on Auto Run and the program cycle) and is
    // disabled altogether while option editing is locked by the control file.
    const TaskPopupItem& PreparePopup();
    const TaskPopupItem& PopupItem() const { return m_popup; }
    // "Enabled" chosen: cycle codes toggle their option and refresh; any other code switches its
    // own row on or off.
    void ChooseEnabled();

    // Mouse tracking: row under the mouse (-1 when over nothing, the expand button, the icon or
    // the indent).
    void MouseOver(int row);
    // A click on the hover node. Shows the refusal boxes; returns the row to run, or -1.
    int Click();
    // Whether the selection may move to row now.
    bool SelectionMayChange(int row) const;

private:
    AppContext& m_ctx;
    TaskPopupItem m_popup;
};
