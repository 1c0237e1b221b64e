#include "core/model/OptionDefinitions.h"

#include "core/model/OptionTable.h"

namespace {
constexpr const char* Options = "OPTIONS";
constexpr const char* Control = "CONTROL";
constexpr const char* Serial = "SERIALNUM";

using S = OptionShows;
using E = OptionEnabledBy;

// clang-format off
constexpr OptionDefinition Table[] = {
    { 0, "hideoptions",   Control, 0, 0, S::Value,     E::Always},
    { 1, "NOREAD",        Options, 0, 0, S::Effective, E::Always},
    { 2, "MCUoverride",   Options, 0, 0, S::Effective, E::Always},
    { 3, "Globskip",      Options, 1, 1, S::Value,     E::Present},
    { 4, "Nodenag",       Options, 0, 0, S::Effective, E::Always},
    {16, "ERASEFLASH",    Options, 1, 1, S::Value,     E::Present},
    {17, "BLNCHKEPROM",   Options, 1, 1, S::Effective, E::Always},
    {18, "VERIFY",        Options, 1, 1, S::Effective, E::Always},
    {32, "PRGCODE",       Options, 1, 1, S::Effective, E::Always},
    {33, "PRGEE",         Options, 1, 1, S::Value,     E::Present},
    {34, "PRGID",         Options, 1, 1, S::Effective, E::Always},
    {35, "PRGCAL",        Options, 0, 0, S::Value,     E::Present},
    {36, "PRGCFG",        Options, 1, 1, S::Effective, E::Always},
    {37, "PrgSNOpt",      Options, 0, 0, S::Effective, E::Present},
    {38, "UseSQTP",       Options, 0, 0, S::Value,     E::Present},
    {39, "EDITEE",        Options, 0, 0, S::Value,     E::Present},
    {48, "BLOCKCP",       Options, 0, 1, S::Value,     E::Present},
    {49, "INCDEV",        Options, 1, 1, S::Value,     E::Present},
    {50, "INCCFG",        Options, 1, 1, S::Value,     E::Present},
    {51, "INCEEDATA",     Options, 1, 1, S::Value,     E::Present},
    {52, "INCCALDATA",    Options, 0, 0, S::Value,     E::Present},
    {53, "IDoverride",    Options, 0, 0, S::Value,     E::Present},
    {63, nullptr,         nullptr, 1, 1, S::Value,     E::Present},
    {64, nullptr,         Serial,  0, 0, S::Effective, E::Present},
    {65, "Codespace",     Serial,  1, 1, S::Value,     E::Present},
    {66, "Encoderetlw",   Serial,  1, 1, S::Value,     E::Present},
    {67, "Auto",          Serial,  1, 1, S::Effective, E::Always},
    {68, nullptr,         Options, 0, 0, S::Value,     E::IdProgramming},
    {69, nullptr,         Options, 1, 1, S::Value,     E::IdProgramming},
    {70, "EEoverride",    Options, 0, 0, S::Value,     E::Present},
    {71, "Fuseoverride",  Options, 0, 0, S::Value,     E::Always},
    {72, "Highspeed",     Options, 0, 0, S::Value,     E::Always},
    {73, "NoVDD",         Options, 0, 0, S::Value,     E::SerialProgramming},
    {74, "COMPACTVIEW",   Options, 0, 0, S::Value,     E::Always},
    {75, "LOCKVIEW",      Options, 0, 0, S::Value,     E::Always},
    {76, "CKSUMMC",       Options, 0, 0, S::Value,     E::Always},
    {77, "SkipPwrCycle",  Options, 0, 0, S::Value,     E::Always},
    {78, "noForcePwrOff", Options, 0, 0, S::Value,     E::SelfPowered},
    {79, nullptr,         Options, 0, 0, S::Value,     E::IdProgramming},
};
// clang-format on
} // namespace

std::span<const OptionDefinition> OptionDefinitions()
{
    return Table;
}

const OptionDefinition* FindOptionDefinition(int index)
{
    for (const OptionDefinition& definition : Table) {
        if (definition.index == index)
            return &definition;
    }
    return nullptr;
}

quint8 FactoryValue(int index)
{
    const OptionDefinition* definition = FindOptionDefinition(index);
    return definition ? definition->factory : 1;
}

quint8 AbsentValue(int index)
{
    const OptionDefinition* definition = FindOptionDefinition(index);
    return definition ? definition->absent : 1;
}
