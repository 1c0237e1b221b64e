#pragma once

#include "core/model/OptionBindings.h"

class AppContext;
class QAbstractButton;
class QAction;
class QWidget;

// How a window binds its widgets to the options: each call registers the widget with the
// context's OptionBindings, so the option refresh keeps it up to date, and connects its clicks to
// the click protocol. Bindings outlive nothing: a destroyed widget is skipped.
namespace OptionControlBinding {

// A tagged check box: shows the entry's state, enabled as the entry's rule says; a click runs
// Checkoptionclick.
void BindCheckBox(AppContext& ctx, QAbstractButton* box, int index);
// A tagged radio button: as a check box, but a click runs RadioOptionclick.
void BindRadioButton(AppContext& ctx, QAbstractButton* button, int index);
// A tagged button whose clicks are handled by the window itself: registered for display only.
void BindDisplay(AppContext& ctx, QAbstractButton* button, int index);
// A widget or action enabled (or shown) as an OptionSwitch says.
void BindEnabled(AppContext& ctx, OptionSwitch item, QWidget* widget);
void BindEnabled(AppContext& ctx, OptionSwitch item, QAction* action);
void BindVisible(AppContext& ctx, OptionSwitch item, QWidget* widget);
void BindVisible(AppContext& ctx, OptionSwitch item, QAction* action);

} // namespace OptionControlBinding
