#include "gui/editors/MainWindowEditors.h"

#include "core/context/AppContext.h"
#include "gui/app/TPXmain.h"
#include "gui/editors/TPXedwin.h"

#include <QAction>
#include <QPointer>
#include <QTabWidget>

MainWindowEditors::MainWindowEditors(TPXmain& window, AppContext& context, SerialNumberPage* serialPage,
                                     SocketPanel* sockets)
    : QObject(&window), m_context(context), m_editors(new TPXedwin(context, serialPage, sockets, &window))
{
    const std::pair<QAction*, TPXedwin::Page> entries[] = {
        {window.ActEditCalibration(), TPXedwin::Page::Calibration},
        {window.ActEditCode(), TPXedwin::Page::Code},
        {window.ActEditData(), TPXedwin::Page::Data},
        {window.ActEditId(), TPXedwin::Page::Id},
        {window.ActEditConfigWord(), TPXedwin::Page::Fuse},
        {window.ActEditSerial(), TPXedwin::Page::Serial},
    };
    for (const auto& [action, page] : entries) {
        action->setEnabled(true);
        connect(action, &QAction::triggered, m_editors, [this, page = page] { m_editors->ShowPage(page); });
    }
    // "&Data ..." and "C&alibration ..." show while the device has the data and option editing is
    // not locked. The lock's own rendering runs earlier in the same refresh and shows every item it
    // hides when unlocked, so the items are set again in the refresh's last stage.
    const QPointer<QAction> data(window.ActEditData());
    const QPointer<QAction> calibration(window.ActEditCalibration());
    OptionBindings& bindings = context.Bindings();
    const auto showItems = [data, calibration, &context] {
        const bool unlocked = !context.Options().OptionsHidden();
        if (data)
            data->setVisible(unlocked && context.Bindings().Switch(OptionSwitch::DataMenuItem));
        if (calibration)
            calibration->setVisible(unlocked && context.Bindings().Switch(OptionSwitch::CalibrationMenuItem));
    };
    bindings.AddSwitch(OptionSwitch::DataMenuItem, [showItems](bool) { showItems(); });
    bindings.AddSwitch(OptionSwitch::CalibrationMenuItem, [showItems](bool) { showItems(); });
    bindings.AddStage(OptionStage::SocketIndicators, showItems);

    const QPointer<TPXedwin> editors(m_editors);
    bindings.showEditorPage = [editors](EditorPage page) {
        if (!editors)
            return false;
        switch (page) {
        case EditorPage::EeData: return editors->ShowPage(TPXedwin::Page::Data);
        case EditorPage::ConfigWord: return editors->ShowPage(TPXedwin::Page::Fuse);
        case EditorPage::IdValues: return editors->ShowPage(TPXedwin::Page::Id);
        case EditorPage::SerialNumbers: return editors->ShowPage(TPXedwin::Page::Serial);
        case EditorPage::Code: return editors->ShowPage(TPXedwin::Page::Code);
        case EditorPage::Calibration: return editors->ShowPage(TPXedwin::Page::Calibration);
        }
        return false;
    };
    bindings.closeEditorWindow = [editors] {
        if (editors && editors->isVisible())
            editors->close();
    };
}

void MainWindowEditors::ReopenIfWasOpen()
{
    if (m_context.Workstation().Placement(RememberedWindow::Editor).open != 1)
        return;
    const auto shown = TPXedwin::Page(m_editors->Pages()->currentIndex());
    if (!m_editors->ShowPage(shown))
        m_editors->ShowPage(TPXedwin::Page::Serial);
}
