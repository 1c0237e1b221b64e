#include "gui/options/MainWindowOptionsDialog.h"

#include "core/app/OptionEditingLock.h"
#include "core/context/AppContext.h"
#include "core/engine/RunLock.h"
#include "core/util/ErrorOut.h"
#include "gui/app/ControlBar.h"
#include "gui/app/TPXmain.h"
#include "gui/options/OptionControlBinding.h"
#include "gui/options/TPXoptions.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTimer>

MainWindowOptionsDialog::MainWindowOptionsDialog(TPXmain& window, AppContext& context, AppShell& shell)
    : QObject(&window), m_window(window), m_context(context), m_shell(shell)
{
    m_dialog = new TPXoptions(context, shell, &window);
    connect(m_dialog, &TPXoptions::SelectMcuRequested, window.ActSelectMcu(), &QAction::trigger);

    // The main window holds the entries; they open the dialog on their page.
    m_runAutoOptions = ConnectPage(window.ActSetAutoOptions(), OptionsPage::AutoOptions);
    const OptionsPage pages[] = {OptionsPage::AutoOptions, OptionsPage::General, OptionsPage::HexOptions,
                                 OptionsPage::SerialNumbers, OptionsPage::Advanced};
    for (int i = 0; i < int(std::size(pages)) && i < window.OptionPageActions().size(); ++i)
        m_pageActions << ConnectPage(window.OptionPageActions().at(i), pages[i]);

    m_enableEditing = window.ActEnableEditing();
    m_disableEditing = window.ActDisableEditing();
    m_enableEditing->setEnabled(true);
    m_disableEditing->setEnabled(true);
    m_enableEditing->setVisible(false);
    OptionControlBinding::BindVisible(context, OptionSwitch::EnableOptionEditing, m_enableEditing);
    OptionControlBinding::BindVisible(context, OptionSwitch::OptionEditing, m_disableEditing);
    // While option editing is locked the View menu follows the lock's own View setting.
    OptionControlBinding::BindEnabled(context, OptionSwitch::ViewMenu, window.ViewMenu()->menuAction());
    // Queued, so that the menu has closed before the password notice or the question shows.
    const auto queue = [this](bool (*command)(AppContext&, AppShell&)) {
        QTimer::singleShot(0, this, [this, command] {
            try {
                command(m_context, m_shell);
            } catch (const ErrorOut& fault) {
                m_context.Operator().ShowError(QStringLiteral("Praxon MCU Programmer"), fault.Message());
            }
        });
    };
    connect(m_enableEditing, &QAction::triggered, this, [queue] { queue(&OptionEditingLock::EnableOptionEditing); });
    connect(m_disableEditing, &QAction::triggered, this, [queue] { queue(&OptionEditingLock::DisableOptionEditing); });

    // The lock's switch comes first in the refresh and the menu items' own rules follow it; the
    // task-tree stage comes after both, so what the lock hides stays hidden.
    const QPointer<MainWindowOptionsDialog> self(this);
    context.Bindings().AddSwitch(OptionSwitch::OptionEditing, [self](bool) {
        if (self)
            self->ShowLock();
    });
    context.Bindings().AddStage(OptionStage::TaskTree, [self] {
        if (self)
            self->ShowLock();
    });
    ShowLock();
}

const QStringList& MainWindowOptionsDialog::LockedCaptions()
{
    static const QStringList captions{
        QStringLiteral("&Select MCU Device ..."),
        QStringLiteral("&Save Option settings"),
        QStringLiteral("Save &Hex File As ..."),
        QStringLiteral("Set Auto &Options ..."),
        QStringLiteral("Auto &Options ..."),
        QStringLiteral("&General ..."),
        QStringLiteral("&HEX File ..."),
        QStringLiteral("Serial &Numbers ..."),
        QStringLiteral("&Advanced ..."),
        QStringLiteral("&ID Values ..."),
        QStringLiteral("Configuration &Word ..."),
        QStringLiteral("&Code ..."),
        QStringLiteral("&Data ..."),
        QStringLiteral("C&alibration ..."),
        QStringLiteral("Fuses"),
        QStringLiteral("Serialize"),
        QStringLiteral("MCU Section"),
        QStringLiteral("Clear &Stats"),
    };
    return captions;
}

QAction* MainWindowOptionsDialog::PageAction(OptionsPage page, bool run) const
{
    if (run)
        return page == OptionsPage::AutoOptions ? m_runAutoOptions : nullptr;
    return m_pageActions.value(int(page));
}

void MainWindowOptionsDialog::ReopenIfWasOpen()
{
    if (m_context.Workstation().Placement(RememberedWindow::Options).open == 1)
        m_dialog->ShowPage(OptionsPage(m_dialog->Pages()->currentIndex()));
}

void MainWindowOptionsDialog::FollowRunLock(RunLock& lock)
{
    connect(&lock, &RunLock::Changed, m_dialog,
            [this, &lock] { m_dialog->setEnabled(lock.Enabled(RunLock::Item::OptionsDialog)); });
}

QAction* MainWindowOptionsDialog::ConnectPage(QAction* action, OptionsPage page)
{
    action->setEnabled(true);
    connect(action, &QAction::triggered, m_dialog, [this, page] { m_dialog->ShowPage(page); });
    return action;
}

void MainWindowOptionsDialog::ShowLock()
{
    // One place hides what the lock hides: the commands of the locked captions (wherever their
    // entries are), the device selection button; the Edit menu offers the unlock instead.
    const bool locked = m_context.Options().OptionsHidden();
    m_enableEditing->setVisible(locked);
    m_disableEditing->setVisible(!locked);
    ControlBar* bar = m_window.ControlBarPanel();
    bar->McuBox()->setEnabled(!locked);
    bar->SelectMcuButton()->setVisible(!locked);
    if (!locked) {
        for (const QPointer<QAction>& action : std::as_const(m_hiddenByLock))
            if (action)
                action->setVisible(true);
        m_hiddenByLock.clear();
        return;
    }
    const QStringList& captions = LockedCaptions();
    QList<QAction*> actions = m_window.findChildren<QAction*>();
    actions << m_window.McuSectionMenu()->menuAction();
    for (QAction* action : std::as_const(actions)) {
        if (!captions.contains(action->text()) || !action->isVisible())
            continue;
        action->setVisible(false);
        m_hiddenByLock << action;
    }
}
