#include "core/devices/SupportFiles.h"

#include "core/context/AppContext.h"
#include "core/context/OperatorInterface.h"
#include "core/util/HexText.h"
#include "core/util/IniFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <functional>
#include <utility>
#include <vector>

namespace {
const QString MainSection = QStringLiteral("PRAXON");
const QString MainTableName = QStringLiteral("PXMCU");
const QString UpdateErrorCaption = QStringLiteral("Table Update Error");
// The renames an update is about to make, written before the first one and removed after the
// last (or after they were all taken back), so a start after a kill or power cut finds out what
// was under way.
const QString UpdateJournalName = QStringLiteral("PXUPDATE.JNL");

std::function<bool()>& RenameHook()
{
    static std::function<bool()> hook;
    return hook;
}

// The extensions of one file set: the installed files or an update dropped in beside them.
struct SetExtensions {
    QString table;
    QString templates;
    QString firmware;
};
const SetExtensions InstalledSet{QStringLiteral("TBL"), QStringLiteral("PXT"), QStringLiteral("DAT")};
const SetExtensions UpdateSet{QStringLiteral("TBX"), QStringLiteral("PXX"), QStringLiteral("DAX")};

struct SetCheck {
    QString softwareText;
    QString versionText;
    QString tableDate;
    bool incomplete = false;
    bool inconsistent = false;
};

// The support-file version as a number, or -1 when the text is not a plain decimal number that
// fits the four hexadecimal digits of the firmware image names.
int VersionNumber(const QString& versionText)
{
    if (versionText.isEmpty() || versionText.size() > 5)
        return -1;
    for (QChar c : versionText) {
        if (c < u'0' || c > u'9')
            return -1;
    }
    const int value = versionText.toInt();
    return value <= 0xFFFF ? value : -1;
}

// Checks that a present extension table or template file belongs to the same set: same DATE as
// the main table and this software version.
bool MatchesMainTable(const QString& path, const QString& tableDate)
{
    const IniFile file(path);
    return file.ReadString(MainSection, QStringLiteral("DATE"), QStringLiteral("0")) == tableDate &&
           file.ReadString(MainSection, QStringLiteral("SOFTWARE"), QStringLiteral("NONE")) ==
               QLatin1String(InstalledSoftwareVersion);
}

// Walks one set in dir (with trailing separator). A missing extension table makes an installed
// set incomplete but an update inconsistent: an update must bring every table it announces.
SetCheck CheckSet(const QString& dir, const SetExtensions& ext, bool isUpdate)
{
    SetCheck result;
    const QString mainPath = dir + MainTableName + u'.' + ext.table;
    const IniFile main(mainPath);
    result.softwareText = main.ReadString(MainSection, QStringLiteral("SOFTWARE"), QStringLiteral("NONE"));
    result.versionText = main.ReadString(MainSection, QStringLiteral("VERSION"), QStringLiteral("NONE"));
    result.tableDate = main.ReadString(MainSection, QStringLiteral("DATE"), QStringLiteral("0"));
    if (!main.Exists()) {
        result.incomplete = true;
        return result;
    }
    const qint64 extensionCount = main.ReadInteger(MainSection, QStringLiteral("RED"), 6);
    const qint64 imageCount = main.ReadInteger(MainSection, QStringLiteral("MOD"), 4);

    if (result.softwareText != QLatin1String(InstalledSoftwareVersion))
        result.inconsistent = true;

    // The walk stops at the first missing table: what the tables after it hold can no longer
    // change the outcome the operator is told, and a corrupt RED cannot make the walk endless.
    for (qint64 n = 1; n <= extensionCount; ++n) {
        const QString path = dir + MainTableName + QString::number(n) + u'.' + ext.table;
        if (!QFileInfo::exists(path)) {
            (isUpdate ? result.inconsistent : result.incomplete) = true;
            break;
        }
        if (!MatchesMainTable(path, result.tableDate))
            result.inconsistent = true;
    }

    // Without a decimal VERSION the templates and firmware images cannot be named, so the set
    // cannot belong to this software.
    if (VersionNumber(result.versionText) < 0) {
        result.inconsistent = true;
        return result;
    }
    for (int which = 0; which < 2; ++which) {
        const QString path = dir + TemplateFileName(result.versionText, which, ext.templates);
        if (!QFileInfo::exists(path))
            result.incomplete = true;
        else if (!MatchesMainTable(path, result.tableDate))
            result.inconsistent = true;
    }
    // The images are lettered "A", "B", ...: a count beyond the alphabet cannot name them.
    if (imageCount > 26) {
        result.inconsistent = true;
        return result;
    }
    for (qint64 i = 0; i < imageCount; ++i) {
        const QChar letter(char16_t(u'A' + i));
        if (!QFileInfo::exists(dir + FirmwareFileName(result.versionText, letter, ext.firmware)))
            result.incomplete = true;
    }
    return result;
}

// The names in dir matching pattern, compared case-insensitively so that a copy whose name was
// lower-cased on the way is still found; files of any attributes, no directories.
QStringList MatchingFiles(const QString& dir, const QString& pattern)
{
    QDir directory(dir.isEmpty() ? QStringLiteral(".") : dir);
    directory.setNameFilters({pattern});
    directory.setFilter(QDir::Files | QDir::Hidden | QDir::System);
    directory.setSorting(QDir::Name);
    return directory.entryList();
}

// Deletes every file matching pattern; true when all deletions succeeded.
bool DeleteMatching(const QString& dir, const QString& pattern)
{
    bool ok = true;
    for (const QString& name : MatchingFiles(dir, pattern)) {
        if (!QFile::remove(dir + name))
            ok = false;
    }
    return ok;
}

// The renames made so far, in order, so that a failed update can be taken back.
using RenameJournal = std::vector<std::pair<QString, QString>>;

// One planned rename per line: old name, a tab, new name (names inside the directory).
bool WriteUpdateJournal(const QString& dir, const RenameJournal& plan)
{
    QSaveFile file(dir + UpdateJournalName);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    for (const auto& [from, to] : plan)
        file.write((from + u'\t' + to + u'\n').toUtf8());
    return file.commit();
}

// The renames pattern would make under newExtension, in the order RenameMatching makes them.
void PlanMatching(const QString& dir, const QString& pattern, const QString& newExtension, RenameJournal* plan)
{
    for (const QString& name : MatchingFiles(dir, pattern))
        plan->emplace_back(name, QFileInfo(name).completeBaseName() + u'.' + newExtension);
}

// An update that was cut off (its journal is still there) is finished when every rename it
// planned can still be made, and otherwise taken back, so the directory holds one complete set
// again: the new one, or the old one with the update files beside it.
void RecoverInterruptedUpdate(const QString& dir)
{
    QFile file(dir + UpdateJournalName);
    if (!file.open(QIODevice::ReadOnly))
        return;
    RenameJournal plan;
    for (const QByteArray& line : file.readAll().split('\n')) {
        const QList<QByteArray> names = line.split('\t');
        if (names.size() == 2 && !names[0].isEmpty() && !names[1].isEmpty())
            plan.emplace_back(QString::fromUtf8(names[0]), QString::fromUtf8(names[1]));
    }
    file.close();
    auto exists = [&dir](const QString& name) {
        return QFileInfo::exists(dir + name) || QFileInfo(dir + name).isSymLink();
    };
    bool finished = true;
    for (const auto& [from, to] : plan) {
        const bool fromThere = exists(from);
        const bool toThere = exists(to);
        if (!fromThere && toThere)
            continue; // made before the cut
        if (fromThere && !toThere && QFile::rename(dir + from, dir + to))
            continue;
        finished = false;
        break;
    }
    if (!finished) {
        for (auto it = plan.rbegin(); it != plan.rend(); ++it) {
            if (exists(it->second) && !exists(it->first))
                QFile::rename(dir + it->second, dir + it->first);
        }
    }
    QFile::remove(dir + UpdateJournalName);
}

// Renames every file matching pattern to its base name with extension newExtension. A rename
// never replaces an existing file: on POSIX rename() would silently overwrite it, and the files
// in the way are exactly the ones the backups exist to keep. Every file is tried; the names that
// could not be renamed are appended to *failed, the renames made to *journal.
// Returns false when the test hook cut the update off (as a kill would).
bool RenameMatching(const QString& dir, const QString& pattern, const QString& newExtension, QStringList* failed,
                    RenameJournal* journal)
{
    for (const QString& name : MatchingFiles(dir, pattern)) {
        if (RenameHook() && !RenameHook()())
            return false;
        const QString target = QFileInfo(name).completeBaseName() + u'.' + newExtension;
        const QString targetPath = dir + target;
        if (QFileInfo::exists(targetPath) || QFileInfo(targetPath).isSymLink() ||
            !QFile::rename(dir + name, targetPath))
            failed->append(name);
        else
            journal->emplace_back(dir + name, targetPath);
    }
    return true;
}

// Takes the journal's renames back, last first, so every file carries its old name again.
void UndoRenames(RenameJournal& journal)
{
    for (auto it = journal.rbegin(); it != journal.rend(); ++it)
        QFile::rename(it->second, it->first);
    journal.clear();
}

void ShowUpdateError(OperatorInterface& op, const QString& text)
{
    op.ShowError(UpdateErrorCaption, text);
}
} // namespace

QString TemplateFileName(const QString& versionText, int which, const QString& extension)
{
    if (VersionNumber(versionText) < 0)
        return QString();
    return QStringLiteral("PX") + versionText + QString::number(which) + u'.' + extension;
}

QString FirmwareFileName(const QString& versionText, QChar letter, const QString& extension)
{
    const int version = VersionNumber(versionText);
    if (version < 0)
        return QString();
    return QStringLiteral("PX") + HexWord(quint64(version), 4) + letter + u'.' + extension;
}

void SetUpdateRenameHook(std::function<bool()> hook)
{
    RenameHook() = std::move(hook);
}

bool InstallPendingUpdate(AppContext& ctx)
{
    const QString dir = ctx.AppDir();
    RecoverInterruptedUpdate(dir);
    if (!QFileInfo::exists(ctx.AppFile(MainTableName + QStringLiteral(".TBX"))))
        return true;

    OperatorInterface& op = ctx.Operator();
    const SetCheck update = CheckSet(dir, UpdateSet, true);
    if (update.inconsistent)
        ShowUpdateError(op, QStringLiteral("Detected update files do not match or are not complete. Unable to complete "
                                           "update.\r\rPlease re-install update or use complete installation files."));
    if (update.incomplete)
        ShowUpdateError(op, QStringLiteral("Required update files are missing.\rUnable to complete update.\r\rPlease "
                                           "re-install update or use complete installation files."));
    if (update.inconsistent || update.incomplete)
        return false;

    // One generation of backups: the old ones go first so the installed files can take their names.
    bool deleted = true;
    deleted &= DeleteMatching(dir, QStringLiteral("PX*.DAK"));
    deleted &= DeleteMatching(dir, QStringLiteral("PX*.PXK"));
    deleted &= DeleteMatching(dir, QStringLiteral("PXMCU*.TBK"));
    if (!deleted)
        ShowUpdateError(op, QStringLiteral("Unable to delete older files to complete updates.\r\rPlease close this "
                                           "program, check file permissions\rthen restart the Praxon software."));

    // All or nothing: when any rename fails, the renames already made are taken back, so the
    // installation is exactly as it was and the next start still finds its support files.
    RenameJournal journal;
    {
        // The journal of every rename to come goes to disk before the first one.
        RenameJournal plan;
        PlanMatching(dir, QStringLiteral("PX*.DAT"), QStringLiteral("DAK"), &plan);
        PlanMatching(dir, QStringLiteral("PX*.PXT"), QStringLiteral("PXK"), &plan);
        PlanMatching(dir, QStringLiteral("PXMCU*.TBL"), QStringLiteral("TBK"), &plan);
        PlanMatching(dir, QStringLiteral("PX*.DAX"), QStringLiteral("DAT"), &plan);
        PlanMatching(dir, QStringLiteral("PX*.PXX"), QStringLiteral("PXT"), &plan);
        PlanMatching(dir, QStringLiteral("PXMCU*.TBX"), QStringLiteral("TBL"), &plan);
        if (!WriteUpdateJournal(dir, plan)) {
            ShowUpdateError(op, QStringLiteral("Unable to rename current update files to complete updates.\rPlease "
                                               "close this program, check file permissions\rand re-install the "
                                               "Praxon software."));
            return false;
        }
    }
    bool backedUp = true;
    if (deleted) {
        QStringList failed;
        if (!RenameMatching(dir, QStringLiteral("PX*.DAT"), QStringLiteral("DAK"), &failed, &journal) ||
            !RenameMatching(dir, QStringLiteral("PX*.PXT"), QStringLiteral("PXK"), &failed, &journal) ||
            !RenameMatching(dir, QStringLiteral("PXMCU*.TBL"), QStringLiteral("TBK"), &failed, &journal))
            return false;
        backedUp = failed.isEmpty();
        // Installing over files that still carry their installed names would lose them, so the
        // update stops here and the operator is told which file is in the way.
        if (!backedUp) {
            UndoRenames(journal);
            ShowUpdateError(op, QStringLiteral("Unable to rename ") + failed.first() +
                                    QStringLiteral(" to its backup name.\r\rPlease close this program, check file "
                                                   "permissions\rthen restart the Praxon software."));
        }
    }

    bool installed = true;
    if (backedUp) {
        QStringList failed;
        if (!RenameMatching(dir, QStringLiteral("PX*.DAX"), QStringLiteral("DAT"), &failed, &journal) ||
            !RenameMatching(dir, QStringLiteral("PX*.PXX"), QStringLiteral("PXT"), &failed, &journal) ||
            !RenameMatching(dir, QStringLiteral("PXMCU*.TBX"), QStringLiteral("TBL"), &failed, &journal))
            return false;
        installed = failed.isEmpty();
        if (!installed) {
            UndoRenames(journal);
            ShowUpdateError(op, QStringLiteral("Unable to rename current update files to complete updates.\rPlease "
                                               "close this program, check file permissions\rand re-install the "
                                               "Praxon software."));
        }
    }
    QFile::remove(dir + UpdateJournalName);
    return deleted && backedUp && installed;
}

bool CheckSupportFiles(AppContext& ctx)
{
    const SetCheck installed = CheckSet(ctx.AppDir(), InstalledSet, false);
    SupportFileState& state = ctx.Support();
    state.softwareText = installed.softwareText;
    state.versionText = installed.versionText;
    state.tableDate = installed.tableDate;

    if (installed.incomplete) {
        ctx.Operator().ShowError(QStringLiteral("Support File Missing"),
                                 QStringLiteral("Required Support Files for Version 2.8.0 are Missing.\rPlease "
                                                "re-install software or Contact Kestrix Support."));
        return false;
    }
    if (installed.inconsistent) {
        ctx.Operator().ShowError(QStringLiteral("Support File Version Error"),
                                 QStringLiteral("Support Files found are not compatible with Software Version "
                                                "2.8.0.\rPlease re-install software or Contact Kestrix Support."));
        return false;
    }
    return true;
}

void ReportVersionMismatch(OperatorInterface& op, const QString& what)
{
    op.ShowWarning(QStringLiteral("File Mis-Match"),
                   QStringLiteral("This Version of Software is incompatible with the version of ") + what +
                       QStringLiteral(" found on your system.") + QStringLiteral("\r\r") +
                       QStringLiteral("Please install matching Software and device tables."));
}
