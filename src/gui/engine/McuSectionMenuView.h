#pragma once

#include <functional>

class QMenu;
struct McuSectionMenu;

// Fills menu with the "MCU Section" entries: an entry that holds others becomes a submenu with its
// caption; every other entry is a command that calls chosen with its task code.
void FillMcuSectionMenu(QMenu* menu, const McuSectionMenu& model, const std::function<void(int code)>& chosen);
