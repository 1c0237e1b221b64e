#include "core/model/WindowPlacement.h"

const char* PlacementSection(RememberedWindow window)
{
    switch (window) {
    case RememberedWindow::Main: return "PXmain";
    case RememberedWindow::Options: return "PXoptions";
    case RememberedWindow::Editor: return "PXedwin";
    case RememberedWindow::DeviceSelect: return "seldevdlg";
    case RememberedWindow::Information: return "Appinfo_form";
    }
    return "";
}

namespace {
// One axis of the clamp: size and start against the area [low, high) (high is one past the end).
void ClampAxis(int& start, int& size, int low, int high)
{
    if (high - low < size)
        size = high - low;
    if (high - 16 < start)
        start = high - size;
    if (start < low - 4)
        start = low;
}
} // namespace

void ClampPlacement(WindowPlacement& record, const QRect& workArea)
{
    // QRect's bottom() and right() are inclusive; the rules are written for exclusive edges.
    ClampAxis(record.top, record.height, workArea.top(), workArea.top() + workArea.height());
    ClampAxis(record.left, record.width, workArea.left(), workArea.left() + workArea.width());
}
