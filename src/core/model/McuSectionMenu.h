#pragma once

#include <QString>
#include <vector>

// The "MCU Section" menu as the task tree builds it: entries directly in the menu, each of which
// may hold the entries of the tasks beneath its row. The GUI renders it; every entry carries the
// task code its command runs.
struct McuSectionMenu {
    struct Entry {
        QString caption;
        int code = 63;
        int row = -1;    // the row the entry was made for
        int parent = -1; // index of the entry whose submenu holds this one; -1: directly in the menu
    };
    std::vector<Entry> entries;

    void Clear() { entries.clear(); }
    // The entry made for row, or -1.
    int EntryOfRow(int row) const
    {
        for (size_t i = 0; i < entries.size(); ++i)
            if (entries[i].row == row)
                return int(i);
        return -1;
    }
};
