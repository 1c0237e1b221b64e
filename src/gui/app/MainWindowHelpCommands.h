#pragma once

#include <QObject>
#include <QString>
#include <functional>

class AppContext;
class TPXinfo;
class TPXmain;

// "&Help File ..." and "Info": opens the operator's manual with the desktop's viewer, and shows
// the information window (which keeps its placement and is shown again at start-up when it was
// open as the program ended). Lives as long as the window (its child).
class MainWindowHelpCommands : public QObject
{
    Q_OBJECT
public:
    // The help file the program ships beside itself, and the one preferred when it sits there too.
    static constexpr const char* ManualName = "praxon-manual.html";
    static constexpr const char* PreferredHelpName = "zelhelp.chm";

    MainWindowHelpCommands(TPXmain& window, AppContext& context);

    // The help file of appDir: PreferredHelpName when it exists there, else the manual, else empty.
    static QString HelpFilePath(const QString& appDir);

    void OpenHelpFile();
    void ShowInformation();
    // Shows the information window again when its record says it was open (start-up).
    void RestoreInformationWindow();
    TPXinfo* InformationWindow() const { return m_info; }

    // Tests see the document instead of a viewer starting.
    void SetOpener(std::function<bool(const QString& path)> opener) { m_opener = std::move(opener); }

private:
    TPXmain& m_window;
    AppContext& m_context;
    TPXinfo* m_info;
    std::function<bool(const QString& path)> m_opener;
};
