#pragma once

#include <QObject>

class AppContext;
class SerialNumberPage;
class SocketPanel;
class TPXedwin;
class TPXmain;

// The editors window in the program: the main window's Edit menu entries open it on their page
// ("&Data ..." and "C&alibration ..." only while their page is available), the options dialog's
// editor buttons reach it through the option bindings, and disabling option editing closes it.
// Lives as long as the main window (its child).
class MainWindowEditors : public QObject
{
    Q_OBJECT
public:
    MainWindowEditors(TPXmain& window, AppContext& context, SerialNumberPage* serialPage, SocketPanel* sockets);

    TPXedwin* Window() const { return m_editors; }
    // At the end of start-up: shows the window again when it was open at the last save.
    void ReopenIfWasOpen();

private:
    AppContext& m_context;
    TPXedwin* m_editors;
};
