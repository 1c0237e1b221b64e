#pragma once

class AppContext;

// What device selection asks of the person choosing: the "Device Select" dialog and, with Shift
// and Ctrl held, the notice offering the MCU parameter editor first. The GUI implements it with
// its dialogs; tests with a fake.
class DeviceChooser
{
public:
    virtual ~DeviceChooser() = default;
    // Shows the Device Select dialog; returns the index of the highlighted entry of the device
    // list when it closes (however it closes), or -1 when nothing is highlighted.
    virtual int ChooseDevice(AppContext& ctx) = 0;
    // Shows the "MCU Parameter Editor" notice; returns its check box's tick.
    virtual bool ConfirmParameterEditing(AppContext& ctx) = 0;
};
