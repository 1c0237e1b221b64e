#include "core/model/TemplateTables.h"

TemplateTables::TemplateTables()
{
    Clear();
}

void TemplateTables::Clear()
{
    for (TaskRow& row : rows) {
        row = TaskRow{};
        row.steps.fill(TaskRow::NoTask);
    }
    RowOfCode.fill(TaskRow::NoTask);
    for (OperationRecord& op : operations)
        op = OperationRecord{};
    parentRow.fill(-1);
    nodeCount = 0;
    selectedRow = -1;
    menu.Clear();
}

int TemplateTables::RowIndexOfCode(int code) const
{
    if (code < 0 || code >= RowCount)
        return -1;
    const int row = RowOfCode[size_t(code)];
    // 63 stands for "none"; a real row 63 would carry code 63 and so never be a code's row.
    if (row == TaskRow::NoTask && rows[size_t(row)].taskCode != code)
        return -1;
    return row;
}

void TemplateTables::Disable(int row)
{
    TaskRow& r = rows.at(size_t(row));
    r.enabled = 0;
    r.nodeState = TaskRow::NotAvailable;
}

void TemplateTables::SwitchOn(int row)
{
    TaskRow& r = rows.at(size_t(row));
    r.enabled = r.available;
    if (!r.available) {
        Disable(row);
        return;
    }
    r.run = 1;
    r.nodeState = TaskRow::Ready;
}

void TemplateTables::SwitchOff(int row)
{
    TaskRow& r = rows.at(size_t(row));
    r.nodeState = TaskRow::SwitchedOff;
    r.run = 0;
    r.enabled = r.available;
}

void TemplateTables::ApplyAvailability(int row, bool flag)
{
    TaskRow& r = rows.at(size_t(row));
    // A row once marked not available stays so until the template is loaded again.
    if (r.nodeState == TaskRow::NotAvailable)
        r.available = 0;
    if (flag) {
        if (!r.available)
            Disable(row);
        else if (r.onByDefault)
            SwitchOn(row);
        else
            SwitchOff(row);
    } else {
        if (r.available)
            SwitchOff(row);
        else
            Disable(row);
    }
}

void TemplateTables::SetExpanded(int row, bool expanded)
{
    TaskRow& r = rows.at(size_t(row));
    if (!r.group)
        return;
    r.imageOffset = r.selectedImageOffset = expanded ? 1 : 0;
}

void TemplateTables::NotifyRebuilt() const
{
    for (const auto& handler : m_rebuilt)
        handler();
}

void TemplateTables::NotifyStatesChanged() const
{
    for (const auto& handler : m_statesChanged)
        handler();
}
