#include "gui/options/MainWindowOptionCommands.h"

#include "core/app/AppShell.h"
#include "core/app/FileCommands.h"
#include "core/commands/SelectDeviceCommand.h"
#include "core/context/AppContext.h"
#include "core/image/HexFileWriter.h"
#include "core/model/OptionBindings.h"
#include "core/model/TemplateTables.h"
#include "core/util/ErrorOut.h"
#include "gui/app/ControlBar.h"
#include "gui/app/InformationGroup.h"
#include "gui/app/RecentFilesMenu.h"
#include "gui/app/TPXmain.h"
#include "gui/app/TaskTreePanel.h"
#include "gui/devices/GuiDeviceChooser.h"
#include "gui/devices/TPE_tree.h"
#include "gui/engine/TaskTreeWidget.h"
#include "gui/options/WindowPlacementBinder.h"

#include <QAction>
#include <QApplication>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QPushButton>
#include <QSplitter>

namespace {
bool ShiftAndCtrlHeld()
{
    const Qt::KeyboardModifiers held = QGuiApplication::queryKeyboardModifiers();
    return held.testFlag(Qt::ShiftModifier) && held.testFlag(Qt::ControlModifier);
}
} // namespace

MainWindowOptionCommands::MainWindowOptionCommands(TPXmain& window, AppContext& context, AppShell& shell)
    : QObject(&window), m_window(window), m_context(context), m_shell(shell),
      m_chooser(std::make_unique<GuiDeviceChooser>(context, &window))
{
    new WindowPlacementBinder(context, RememberedWindow::Main, &window);

    // The MCU parameter editor's window; the main window's task tree follows its selection.
    m_parameterEditor = new TPE_tree(
        context,
        [&window, &context](int row) {
            TemplateTables& t = context.Templates();
            const bool allowed = t.treeSelectAllowed;
            t.treeSelectAllowed = true;
            window.TaskPanel()->Tree()->SelectRow(row);
            t.treeSelectAllowed = allowed;
        },
        &window);
    context.Templates().parameterEditorView = m_parameterEditor;

    window.ActSelectMcu()->setEnabled(true);
    connect(window.ActSelectMcu(), &QAction::triggered, this, &MainWindowOptionCommands::SelectDevice);
    window.ActOpen()->setEnabled(true);
    connect(window.ActOpen(), &QAction::triggered, this, &MainWindowOptionCommands::OpenFile);
    window.ActSaveHex()->setEnabled(true);
    connect(window.ActSaveHex(), &QAction::triggered, this, &MainWindowOptionCommands::SaveHexFile);
    window.ActSaveOptions()->setEnabled(true);
    connect(window.ActSaveOptions(), &QAction::triggered, this, &MainWindowOptionCommands::SaveOptions);
    new RecentFilesMenu(*window.RecentMenu(), context.Workstation(), [this](const QString& path) { ReOpen(path); });

    WorkstationSettings& station = context.Workstation();
    station.busyCursor = [](bool busy) {
        if (busy)
            QApplication::setOverrideCursor(Qt::WaitCursor);
        else
            QApplication::restoreOverrideCursor();
    };
    connect(&station, &WorkstationSettings::ViewItemsChanged, this, &MainWindowOptionCommands::ShowViewItems);
    connect(window.TreeSplitter(), &QSplitter::splitterMoved, this, &MainWindowOptionCommands::RecordPanelSizes);
    connect(window.InformationSplitter(), &QSplitter::splitterMoved, this, &MainWindowOptionCommands::RecordPanelSizes);
}

MainWindowOptionCommands::~MainWindowOptionCommands()
{
    if (m_context.Templates().parameterEditorView == m_parameterEditor)
        m_context.Templates().parameterEditorView = nullptr;
    m_context.Workstation().busyCursor = nullptr;
}

void MainWindowOptionCommands::SelectDevice()
{
    if (m_context.Options().OptionsHidden())
        return;
    try {
        SelectDeviceCommand(m_context, *m_chooser, ShiftAndCtrlHeld());
    } catch (const ErrorOut& fault) {
        m_context.Operator().ShowError(QStringLiteral("Praxon MCU Programmer"), fault.Message());
    }
}

void MainWindowOptionCommands::OpenFile()
{
    try {
        FileCommands::OpenFileCommand(m_context, m_shell);
    } catch (const ErrorOut& fault) {
        m_context.Operator().ShowError(QStringLiteral("Praxon MCU Programmer"), fault.Message());
    }
}

void MainWindowOptionCommands::ReOpen(const QString& path)
{
    try {
        FileCommands::OpenFile(m_context, m_shell, path);
    } catch (const ErrorOut& fault) {
        m_context.Operator().ShowError(QStringLiteral("Praxon MCU Programmer"), fault.Message());
    }
    m_context.Workstation().AddRecentFile(path);
}

void MainWindowOptionCommands::SaveHexFile()
{
    if (!m_context.Options().OptionsHidden())
        SaveHexFileAs(m_context);
}

void MainWindowOptionCommands::SaveOptions()
{
    if (m_context.Options().OptionsHidden())
        return;
    try {
        FileCommands::SaveOptionSettings(m_context, m_shell);
    } catch (const ErrorOut& fault) {
        m_context.Operator().ShowError(QStringLiteral("Praxon MCU Programmer"), fault.Message());
    }
}

void MainWindowOptionCommands::ShowViewItems()
{
    const WorkstationSettings& station = m_context.Workstation();
    m_window.TaskPanel()->setVisible(station.ShowTasks());
    m_window.InformationPanel()->setVisible(station.ShowInformation());
    QSplitter* tree = m_window.TreeSplitter();
    QList<int> sizes = tree->sizes();
    if (sizes.size() == 2) {
        const int total = sizes.at(0) + sizes.at(1);
        tree->setSizes({station.TreeWidth(), qMax(total - station.TreeWidth(), 1)});
    }
    QSplitter* right = m_window.InformationSplitter();
    sizes = right->sizes();
    if (sizes.size() == 2) {
        const int total = sizes.at(0) + sizes.at(1);
        right->setSizes({station.InformationHeight(), qMax(total - station.InformationHeight(), 1)});
    }
}

void MainWindowOptionCommands::RecordPanelSizes()
{
    WorkstationSettings& station = m_context.Workstation();
    const QList<int> tree = m_window.TreeSplitter()->sizes();
    const QList<int> right = m_window.InformationSplitter()->sizes();
    station.SetViewItems(station.ShowTasks(), station.ShowInformation(),
                         tree.isEmpty() ? station.TreeWidth() : tree.first(),
                         right.isEmpty() ? station.InformationHeight() : right.first());
}
