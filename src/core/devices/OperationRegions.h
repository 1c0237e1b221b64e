#pragma once

#include <QtGlobal>

struct DeviceProfile;

// The region each operation slot covers for a device, and when the device has no such slot.
// Slots: 0 erase; 1-4 blank check code, EE, ID, configuration; 5-8 program code, EE,
// calibration, ID; 9-12 verify code, EE, calibration, ID; 13/14 serial numbers into code/EE;
// 15/16 program/verify configuration; 17-21 read code, EE, calibration, ID, configuration;
// 22/24/26 read/program/verify the extra calibration word; 23/25/27 calibration with XCAL;
// 28 erase EE; 29 configuration from the masks; 30-32 read/program/verify backup calibration.
qint64 RegionSize(int slot, const DeviceProfile& profile);
bool SlotAbsentForDevice(int slot, const DeviceProfile& profile);
