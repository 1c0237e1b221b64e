#pragma once

#include <QFont>

class QToolButton;
class QWidget;

// The common look of the editors window's pages.
namespace EditorLook {

// The small icon button with the tooltip "Show HEX Options".
QToolButton* HexOptionsButton(QWidget* parent);
// An input that takes input is painted in the window colour, one that does not in the button
// shadow colour.
void PaintInput(QWidget* input, bool enabled);
// The fixed-pitch font of values shown digit by digit.
QFont ValueFont();

} // namespace EditorLook
