#pragma once

#include <QObject>
#include <memory>

class AppContext;
class AppShell;
class GuiDeviceChooser;
class TPE_tree;
class TPXmain;

// Connects the main window to the option, file and device-selection commands: the Select MCU
// button, the MCU box and "&Select MCU Device ..." run device selection; Open, the "&Re-Open"
// entries, "Save &Hex File As ..." and "&Save Option settings" run the file commands; the
// window's placement, the panels' sizes and visibility follow the settings store; saving shows
// the busy cursor. While option editing is locked by the control file the commands that would
// change the device, the file or the options are hidden. Lives as long as the window (its child).
class MainWindowOptionCommands : public QObject
{
    Q_OBJECT
public:
    MainWindowOptionCommands(TPXmain& window, AppContext& context, AppShell& shell);
    ~MainWindowOptionCommands() override;

    GuiDeviceChooser& Chooser() { return *m_chooser; }
    // The MCU parameter editor's window.
    TPE_tree* ParameterEditorWindow() const { return m_parameterEditor; }
    void SelectDevice();
    void OpenFile();
    // A "&Re-Open" entry: opens path like Open and puts it first in the list.
    void ReOpen(const QString& path);
    void SaveHexFile();
    void SaveOptions();

private:
    void ShowViewItems();
    void RecordPanelSizes();

    TPXmain& m_window;
    AppContext& m_context;
    AppShell& m_shell;
    std::unique_ptr<GuiDeviceChooser> m_chooser;
    TPE_tree* m_parameterEditor = nullptr;
};
