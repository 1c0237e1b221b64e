#include "gui/options/OptionControlBinding.h"

#include "core/context/AppContext.h"
#include "core/options/OptionRefresh.h"

#include <QAbstractButton>
#include <QAction>
#include <QPointer>
#include <QWidget>

namespace OptionControlBinding {

namespace {
void Display(AppContext& ctx, QAbstractButton* button, int index)
{
    button->setProperty("optionIndex", index);
    ctx.Bindings().AddControl(index, [target = QPointer<QAbstractButton>(button)](const OptionControlState& state) {
        if (!target)
            return;
        target->setEnabled(state.enabled);
        target->setChecked(state.checked);
    });
}

void BindButton(AppContext& ctx, QAbstractButton* button, int index, bool radio)
{
    Display(ctx, button, index);
    // Clicks only: the refresh's own setChecked does not come back as a change.
    QObject::connect(button, &QAbstractButton::clicked, button, [&ctx, index, radio](bool checked) {
        if (radio)
            RadioOptionclick(ctx, index, checked);
        else
            Checkoptionclick(ctx, index, checked);
    });
}

template <typename Target, typename Setter>
void BindSwitch(AppContext& ctx, OptionSwitch item, Target* target, Setter set)
{
    ctx.Bindings().AddSwitch(item, [pointer = QPointer<Target>(target), set](bool on) {
        if (pointer)
            set(pointer.data(), on);
    });
}
} // namespace

void BindDisplay(AppContext& ctx, QAbstractButton* button, int index)
{
    Display(ctx, button, index);
}

void BindCheckBox(AppContext& ctx, QAbstractButton* box, int index)
{
    BindButton(ctx, box, index, false);
}

void BindRadioButton(AppContext& ctx, QAbstractButton* button, int index)
{
    BindButton(ctx, button, index, true);
}

void BindEnabled(AppContext& ctx, OptionSwitch item, QWidget* widget)
{
    BindSwitch(ctx, item, widget, [](QWidget* w, bool on) { w->setEnabled(on); });
}

void BindEnabled(AppContext& ctx, OptionSwitch item, QAction* action)
{
    BindSwitch(ctx, item, action, [](QAction* a, bool on) { a->setEnabled(on); });
}

void BindVisible(AppContext& ctx, OptionSwitch item, QWidget* widget)
{
    BindSwitch(ctx, item, widget, [](QWidget* w, bool on) { w->setVisible(on); });
}

void BindVisible(AppContext& ctx, OptionSwitch item, QAction* action)
{
    BindSwitch(ctx, item, action, [](QAction* a, bool on) { a->setVisible(on); });
}

} // namespace OptionControlBinding
