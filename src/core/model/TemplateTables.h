#pragma once

#include "core/model/McuSectionMenu.h"
#include "core/model/OperationRecord.h"
#include "core/model/TaskRow.h"

#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <vector>

class ParameterEditorView;

// The two tables of the selected device's template, the task tree built from them and the state
// the tree's behaviour needs. Owned by the context; filled by LoadTemplates / LoadTaskRows.
class TemplateTables
{
public:
    static constexpr int RowCount = 64;
    static constexpr int SlotCount = 64;

    std::array<TaskRow, RowCount> rows{};
    std::array<OperationRecord, SlotCount> operations{};
    // For each task code the index of the last row with that code; 63 when none.
    std::array<int, RowCount> RowOfCode{};

    // The task-row section as an editable list of lines (the parameter editor works on it).
    QStringList taskLines;
    // Rows that made it into the tree (rows 0 .. nodeCount-1) and each node's parent row (-1 top).
    int nodeCount = 0;
    std::array<int, RowCount> parentRow{};
    McuSectionMenu menu;

    // Where the operations came from.
    QString templateName;     // the device's PLATES
    QString templateFile;     // file name, without directory, the operation section was looked up in
    int templateVersion = 0;  // VERSION of that file (16 bits)
    QString templateSoftware; // SOFTWARE of that file

    // Task tree behaviour: only while set may the tree's selection move. The selected row is the
    // program's choice (-1 none); the hover row is 255 when the mouse is not over a node.
    bool treeSelectAllowed = false;
    int selectedRow = -1;
    int hoverRow = 255;
    bool mouseOffItem = true;
    // The option refresh's row handler is registered (once per context).
    bool connectedToOptions = false;
    // MCU parameter editing: while set, loading the task rows opens the parameter editor in this
    // view (the GUI's window) and waits until it closes; open while the editor is up.
    bool parameterEditing = false;
    bool parameterEditorOpen = false;
    ParameterEditorView* parameterEditorView = nullptr;

    TemplateTables();

    // LoadTaskRows step 1: every row, RowOfCode, every operation slot and the menu cleared.
    void Clear();
    // The row of task code code, or -1 when the template has none.
    int RowIndexOfCode(int code) const;

    // Row state operations.
    void Disable(int row);
    void SwitchOn(int row);
    void SwitchOff(int row);
    void ApplyAvailability(int row, bool flag);

    // Picture indices of a node: node state + offset.
    int ImageIndex(int row) const { return rows.at(size_t(row)).nodeState + rows.at(size_t(row)).imageOffset; }
    int SelectedImageIndex(int row) const
    {
        return rows.at(size_t(row)).nodeState + rows.at(size_t(row)).selectedImageOffset;
    }
    // A group node expands (offsets 1) or collapses (offsets 0); task nodes keep theirs.
    void SetExpanded(int row, bool expanded);

    // Observers: the tree and menu were rebuilt; node states or run flags changed.
    void OnRebuilt(std::function<void()> handler) { m_rebuilt.push_back(std::move(handler)); }
    void OnStatesChanged(std::function<void()> handler) { m_statesChanged.push_back(std::move(handler)); }
    void NotifyRebuilt() const;
    void NotifyStatesChanged() const;

private:
    std::vector<std::function<void()>> m_rebuilt;
    std::vector<std::function<void()>> m_statesChanged;
};
