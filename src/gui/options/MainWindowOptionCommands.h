#pragma once

#include <QObject>
#include <memory>

class AppContext;
class AppShell;
class GuiDeviceChooser;
class TPXmain;

// Connects the main window to the option, file and device-selection commands it can show so far:
// the Select MCU button, the MCU box and "&Select MCU Device ..." run device selection, Open runs
// the file-open command; the window's placement, the panels' sizes and visibility follow the
// settings store; saving shows the busy cursor. Lives as long as the window (its child).
class MainWindowOptionCommands : public QObject
{
    Q_OBJECT
public:
    MainWindowOptionCommands(TPXmain& window, AppContext& context, AppShell& shell);
    ~MainWindowOptionCommands() override;

    GuiDeviceChooser& Chooser() { return *m_chooser; }
    void SelectDevice();
    void OpenFile();

private:
    void ShowViewItems();
    void RecordPanelSizes();

    TPXmain& m_window;
    AppContext& m_context;
    AppShell& m_shell;
    std::unique_ptr<GuiDeviceChooser> m_chooser;
};
