#pragma once

#include "core/devices/DeviceChooser.h"

class Tseldevdlg;
class QWidget;

// Device selection with real dialogs: the Device Select dialog (created once, kept for the run)
// and the "MCU Parameter Editor" notice.
class GuiDeviceChooser : public DeviceChooser
{
public:
    // The dialog is a child of parent, which must outlive this object's use.
    GuiDeviceChooser(AppContext& context, QWidget* parent);

    int ChooseDevice(AppContext& ctx) override;
    bool ConfirmParameterEditing(AppContext& ctx) override;

    Tseldevdlg* Dialog() const { return m_dialog; }

private:
    QWidget* m_parent;
    Tseldevdlg* m_dialog;
};
