#pragma once

#include <QtGlobal>
#include <span>

// What an option control shows: the entry's effective value or its raw value.
enum class OptionShows { Effective, Value };

// What enables an option control.
enum class OptionEnabledBy {
    Always,
    Present,          // the entry's own present flag
    IdProgramming,    // effective entry 34 (the ID display mode choice)
    SelfPowered,      // value of entry 73 (the power-off override)
    SerialProgramming // the device programs serially (the target VDD group)
};

// One option of the table, as stored and shown. key is null for entries whose value is not stored
// under a key of its own (63 follows the device, 64 is the inverse of Codespace, 68/69/79 share
// bit4). section is the store and control-file section of the key.
struct OptionDefinition {
    int index;
    const char* key;
    const char* section;
    quint8 absent;  // value when the key is missing from the file
    quint8 factory; // value after "Reset All Options to Default"
    OptionShows shows;
    OptionEnabledBy enabledBy;
};

// Every entry that carries an option, in index order.
std::span<const OptionDefinition> OptionDefinitions();
// The definition of index, or null for the gaps.
const OptionDefinition* FindOptionDefinition(int index);
// The factory value of any index; the gaps (and 63, which follows the device) are 1.
quint8 FactoryValue(int index);
// The value a loader takes when the entry's key is missing.
quint8 AbsentValue(int index);
