#pragma once

#include "core/model/DeviceProfile.h"

#include <QString>
#include <QtGlobal>
#include <span>

class AppContext;

// The three display forms of the ID locations: one hex digit per word (word AND 0x0F), two hex
// digits per word (word AND 0x7F), and one character per word (word AND 0x7F when it lies between
// '0' and 'z', else '0'). 4 words for 5X/XX devices, 8 for 18X.
QString IdHex4Text(std::span<const quint16> idWords);
QString IdHex7Text(std::span<const quint16> idWords);
QString IdAsciiText(std::span<const quint16> idWords);
int IdWordCount(CoreFamily core);

// Fills the three ID boxes of the editors window from IdWords (their change events are ignored
// meanwhile). The editors window keeps the caret of the box of the active form and selects one
// character there, so typing overwrites.
void ShowIdWords(AppContext& ctx);
