#pragma once

#include <QString>

class AppContext;
class OperatorInterface;

// The support-file set of the application directory: device tables, templates, firmware images.
// State read from the main table at start-up, used by the profile loader and the reports.
struct SupportFileState {
    QString softwareText; // SOFTWARE of the main table
    QString versionText;  // VERSION of the main table, written as in the table
    QString tableDate;    // DATE of the main table
};

// The installed software version every support file must carry.
inline constexpr const char* InstalledSoftwareVersion = "Version 2.8.0";

// Installs an update dropped into the application directory (keeping one generation of backups).
// True when there is no update or it was installed.
bool InstallPendingUpdate(AppContext& ctx);
// Checks that a complete set of this software version is installed; false ends start-up.
bool CheckSupportFiles(AppContext& ctx);
// The incompatible-version message for what ("FUSE TABLES", "DEVICE TEMPLATES").
void ReportVersionMismatch(OperatorInterface& op, const QString& what);

// File names derived from the table VERSION text V: "PX" + V + "0.PXT" / "1.PXT" and the firmware
// images "PX" + four hex digits of V + letter + ".DAT". An empty result means V is not decimal.
QString TemplateFileName(const QString& versionText, int which, const QString& extension = QStringLiteral("PXT"));
QString FirmwareFileName(const QString& versionText, QChar letter, const QString& extension = QStringLiteral("DAT"));
