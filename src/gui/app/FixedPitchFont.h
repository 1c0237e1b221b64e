#pragma once

#include <QFont>

// The fixed-pitch font of the history list and the information memos: Courier New 12 pixels
// high; where it is not installed, Liberation Mono (same metrics), else the system's fixed font
// at the same pixel size. The text columns of the history rely on every character being equally
// wide, so a proportional font is never returned when a fixed one exists.
QFont FixedPitchFont();
