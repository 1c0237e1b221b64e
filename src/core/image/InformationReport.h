#pragma once

#include "core/model/HardwareInformation.h"

#include <QStringList>

class AppContext;

// The "Information:" lines: MCU, application and hardware sections. A value line is a blank, the
// label, blanks up to 24 characters, then the value; each heading is followed by 24 '-'.
QStringList InformationReportLines(AppContext& ctx, const HardwareInformation& hardware);

// Rebuilds the "Information:" box and the information window (only once start-up has completed),
// with the hardware lines of what the link last learnt (the context's HardwareInformation).
void BuildInformationReport(AppContext& ctx);

// The information window: caption "Information - " + the HEX path, text the fuse summary followed
// by the information report.
void UpdateInformationWindow(AppContext& ctx);

// The last stage of the option refresh: the checksum and the report. Does nothing while start-up
// is building the device list.
void RefreshChecksumAndReport(AppContext& ctx);
