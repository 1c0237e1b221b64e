#pragma once

#include <QRect>

// The remembered position, size and open state of a window (pixels, signed 32-bit).
struct WindowPlacement {
    int top = 0;
    int left = 0;
    int height = 0;
    int width = 0;
    int open = 0; // 1 while the window is showing (and when it was showing as the program ended)
};

// The windows whose placement the settings store keeps, with their section names.
enum class RememberedWindow { Main, Options, Editor, DeviceSelect, Information };
inline constexpr int RememberedWindowCount = 5;

// "PXmain", "PXoptions", "PXedwin", "seldevdlg", "Appinfo_form".
const char* PlacementSection(RememberedWindow window);

// Brings a placement onto a work area: a record larger than the area is made to fit, a record
// whose top (left) lies within 16 pixels of the area's bottom (right) edge or below it is moved
// up (left) so that the window ends at that edge, and a record starting more than 4 pixels above
// (left of) the area starts at its edge.
void ClampPlacement(WindowPlacement& record, const QRect& workArea);
