#pragma once

#include <QString>

// The support-file set of the application directory: device tables, templates, firmware images.
// State read from the main table at start-up, used by the profile loader and the reports.
struct SupportFileState {
    QString softwareText; // SOFTWARE of the main table
    QString versionText;  // VERSION of the main table, written as in the table
    QString tableDate;    // DATE of the main table
};

// The installed software version every support file must carry.
inline constexpr const char* InstalledSoftwareVersion = "Version 2.8.0";
