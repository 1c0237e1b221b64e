#include "gui/app/MainWindowHelpCommands.h"

#include "core/context/AppContext.h"
#include "gui/app/TPXinfo.h"
#include "gui/app/TPXmain.h"
#include "gui/options/WindowPlacementBinder.h"

#include <QAction>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

MainWindowHelpCommands::MainWindowHelpCommands(TPXmain& window, AppContext& context)
    : QObject(&window), m_window(window), m_context(context), m_info(new TPXinfo(context.Image().Display(), &window)),
      m_opener([](const QString& path) { return QDesktopServices::openUrl(QUrl::fromLocalFile(path)); })
{
    new WindowPlacementBinder(context, RememberedWindow::Information, m_info);
    window.ActHelpFile()->setEnabled(true);
    connect(window.ActHelpFile(), &QAction::triggered, this, &MainWindowHelpCommands::OpenHelpFile);
    window.ActInfo()->setEnabled(true);
    connect(window.ActInfo(), &QAction::triggered, this, &MainWindowHelpCommands::ShowInformation);
}

QString MainWindowHelpCommands::HelpFilePath(const QString& appDir)
{
    const QDir dir(appDir);
    for (const char* name : {PreferredHelpName, ManualName}) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        if (QFileInfo::exists(path))
            return path;
    }
    return QString();
}

void MainWindowHelpCommands::OpenHelpFile()
{
    const QString path = HelpFilePath(m_context.AppDir());
    if (path.isEmpty()) {
        m_context.Operator().ShowError(QStringLiteral("Required File Missing"),
                                       QStringLiteral("The help file ") + QString::fromLatin1(ManualName) +
                                           QStringLiteral(" was not found in ") +
                                           QDir::toNativeSeparators(m_context.AppDir()) + u'.');
        return;
    }
    if (!m_opener(path))
        m_context.Operator().ShowError(QStringLiteral("File Error"),
                                       QStringLiteral("No viewer could open ") + QDir::toNativeSeparators(path) + u'.');
}

void MainWindowHelpCommands::ShowInformation()
{
    m_info->show();
    m_info->raise();
    m_info->activateWindow();
}

void MainWindowHelpCommands::RestoreInformationWindow()
{
    if (m_context.Workstation().Placement(RememberedWindow::Information).open)
        ShowInformation();
}
