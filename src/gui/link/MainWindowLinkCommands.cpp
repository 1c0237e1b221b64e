#include "gui/link/MainWindowLinkCommands.h"

#include "core/context/AppContext.h"
#include "core/link/ProgrammerLink.h"
#include "gui/app/ControlBar.h"
#include "gui/app/TPXmain.h"
#include "gui/link/AboutBox.h"

#include <QAction>
#include <QApplication>
#include <QMenu>
#include <QTimer>

MainWindowLinkCommands::MainWindowLinkCommands(TPXmain& window, AppContext& context, ProgrammerLink& link)
    : QObject(&window), m_window(window), m_context(context), m_link(link)
{
    connect(window.ActResetRun(), &QAction::triggered, this, [this] { Run(&ProgrammerLink::ResetCommand); });
    connect(window.ActResetHelp(), &QAction::triggered, this, [this] { Run(&ProgrammerLink::ResetCommand); });
    connect(window.ActClearLeds(), &QAction::triggered, this, [this] { Run(&ProgrammerLink::ClearLedsCommand); });
    connect(window.ActSyncFirmware(), &QAction::triggered, this,
            [this] { Run(&ProgrammerLink::SynchronizeFirmwareCommand); });
    connect(window.ActAbout(), &QAction::triggered, this, [this] {
        if (!m_busy)
            QTimer::singleShot(0, this, &MainWindowLinkCommands::ShowAbout);
    });
    link.GetHooks().busyMode = [this](bool busy) { SetBusy(busy); };
}

void MainWindowLinkCommands::Run(void (ProgrammerLink::*command)())
{
    if (m_busy)
        return;
    // The command pumps events while it waits for the box; starting it from a fresh event keeps
    // the menu that chose it from staying open meanwhile.
    QTimer::singleShot(0, this, [this, command] {
        if (!m_busy)
            (m_link.*command)();
    });
}

void MainWindowLinkCommands::SetBusy(bool busy)
{
    if (busy == m_busy)
        return;
    m_busy = busy;
    for (QAction* action : {m_window.ActResetRun(), m_window.ActResetHelp(), m_window.ActClearLeds(),
                            m_window.ActSyncFirmware(), m_window.ActAbout()})
        action->setEnabled(!busy);
    m_window.ControlBarPanel()->setEnabled(!busy);
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void MainWindowLinkCommands::ShowAbout()
{
    if (m_busy)
        return;
    ProgramFlags& flags = m_context.Flags();
    const bool wasReady = flags.ProgramReady;
    flags.ProgramReady = false;
    SetBusy(true);
    m_link.ResetProgrammer();
    SetBusy(false);
    AboutBox box(m_link.Identity(), &m_window);
    if (m_aboutHook)
        box.SetShownHook(m_aboutHook);
    box.exec();
    flags.ProgramReady = wasReady;
}
