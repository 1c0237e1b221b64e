#pragma once

#include <QString>

class AppContext;
class DeviceChooser;

// "&Select MCU Device ...": lets the operator pick a device in the Device Select dialog, loads its
// profile, makes its name the MCU name and reconciles the image with it. shiftAndCtrl: both keys
// were held when the command was chosen, which first offers the MCU parameter editor.
void SelectDeviceCommand(AppContext& ctx, DeviceChooser& chooser, bool shiftAndCtrl);

// The Device Select dialog's list needs at least one device: an empty device list is reported
// (as when it is built) and replaced by the single device "16F877=877".
void EnsureDeviceListNotEmpty(AppContext& ctx);

// The support note of a device-list key. A key that ends in a support marker shows the last device
// note (in key order) containing that marker; any other key, or a marker no note contains, shows
// "Full Support". highlighted tells whether the note is shown on the information background.
struct DeviceNote {
    QString text;
    bool highlighted = false;
};
DeviceNote DeviceNoteFor(AppContext& ctx, const QString& key);

// The notice shown before the MCU parameter editor.
namespace ParameterEditorNotice {
inline constexpr const char* Title = "MCU Parameter Editor";
QString Text();
inline constexpr const char* CheckBoxText = "YES, I want to edit the MCU parameters (Continue at your own risk!)";
} // namespace ParameterEditorNotice
