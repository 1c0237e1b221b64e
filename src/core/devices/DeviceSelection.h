#pragma once

#include "core/model/DeviceList.h"

#include <QString>
#include <QtGlobal>

class AppContext;

// Reads PXDEVICES and DEVNOTES of the main table into the context's device list; an empty list is
// reported and replaced by the single line "16F877=877".
void BuildDeviceList(AppContext& ctx);

// Selection by name: true when found; the MCU name becomes name. A miss selects the first device
// (when one was selected), is reported as a "Table File Error" and clears AutoRunPending.
bool SelectDeviceByName(AppContext& ctx, const QString& name);
// Selection by the 16-bit code of a HEX device record: true when found; the MCU name becomes the
// line's key unless the MCU was named on the command line. A miss selects the first device when
// none was selected; outside start-up (AutoRunArmed clear) it is also reported and clears
// AutoRunPending.
bool SelectDeviceByCode(AppContext& ctx, quint16 code);
