#pragma once

#include "core/model/SupportFileState.h"

#include <QString>
#include <functional>

class AppContext;
class OperatorInterface;

// Installs an update dropped into the application directory (keeping one generation of backups).
// True when there is no update or it was installed.
// An update cut off by a kill or power cut (its rename journal is still there) is finished, or
// taken back where it cannot be finished, first.
bool InstallPendingUpdate(AppContext& ctx);
// Called before each rename of an update; returning false stops the update there and then, as a
// kill would (tests of the recovery). An empty hook removes it.
void SetUpdateRenameHook(std::function<bool()> hook);
// Checks that a complete set of this software version is installed; false ends start-up.
bool CheckSupportFiles(AppContext& ctx);
// The incompatible-version message for what ("FUSE TABLES", "DEVICE TEMPLATES").
void ReportVersionMismatch(OperatorInterface& op, const QString& what);

// File names derived from the table VERSION text V: "PX" + V + "0.PXT" / "1.PXT" and the firmware
// images "PX" + four hex digits of V + letter + ".DAT". An empty result means V is not decimal.
QString TemplateFileName(const QString& versionText, int which, const QString& extension = QStringLiteral("PXT"));
QString FirmwareFileName(const QString& versionText, QChar letter, const QString& extension = QStringLiteral("DAT"));
