#pragma once

#include "core/model/OptionsPage.h"
#include "gui/options/OptionsDialogPages.h"

#include <QDialog>

class AppContext;
class AppShell;
class QLabel;
class QPushButton;
class QTabWidget;

// The options dialog ("Praxon Options"), modeless: five pages of option controls registered with
// the context's OptionBindings (so the option refresh keeps them up to date), and a bottom bar
// with "Save Option Settings Now", "Reset All Options to Default" and "OK". While option editing
// is locked the pages are hidden and "{ Option access has been Disabled }" shows instead. The
// context and shell must outlive the dialog.
class TPXoptions : public QDialog
{
    Q_OBJECT
public:
    TPXoptions(AppContext& context, AppShell& shell, QWidget* parent = nullptr);

    // Shows the dialog on page; does nothing while option editing is locked.
    void ShowPage(OptionsPage page);

    QTabWidget* Pages() const { return m_tabs; }
    QWidget* Page(OptionsPage page) const { return m_controls.pages.at(size_t(page)); }
    QLabel* LockedNotice() const { return m_lockedNotice; }
    const OptionsDialogControls& Controls() const { return m_controls; }
    QPushButton* SaveNowButton() const { return m_saveNow; }
    QPushButton* ResetButton() const { return m_reset; }
    QPushButton* OkButton() const { return m_ok; }

signals:
    // "Select MCU": the device selection command.
    void SelectMcuRequested();

private:
    void BindOptions();
    void ConnectHandlers();
    void ShowSerialNumberControls();
    void ShowStartAddress();
    void ShowPulseWidthSlider(bool enabled);
    void ShowLock(bool unlocked);
    void OpenEditorPage(EditorPage page);
    void SaveNow();

    AppContext& m_context;
    AppShell& m_shell;
    OptionsDialogControls m_controls;
    QTabWidget* m_tabs = nullptr;
    QLabel* m_lockedNotice = nullptr;
    QPushButton* m_saveNow = nullptr;
    QPushButton* m_reset = nullptr;
    QPushButton* m_ok = nullptr;
};
