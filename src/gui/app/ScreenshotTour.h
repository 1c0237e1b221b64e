#pragma once

#include <QObject>
#include <QString>

class Engine;
class MainWindowViews;
class TPXmain;

// A scripted walk through the main window that saves pictures of it, for the documentation and
// for checking the layout by eye: the full view, the window at its minimum size, the compact view, then all four
// sockets in gang mode through an Auto Run and the window after it (with the information window),
// then the editors window on each page. Started by main.cpp
// when PRAXON_SCREENSHOT_DIR names a folder; the program ends when the tour is over.
class ScreenshotTour : public QObject
{
    Q_OBJECT
public:
    ScreenshotTour(TPXmain& window, MainWindowViews& views, Engine& engine, const QString& folder);

    void Start();

private:
    void Save(QWidget& widget, const QString& name) const;
    void CompactAndAutoRun();
    void AfterAutoRun();
    // Opens the editors window on each of its pages in turn (step counts them) and saves it.
    void EditorPages(int step);

    TPXmain& m_window;
    MainWindowViews& m_views;
    Engine& m_engine;
    QString m_folder;
    bool m_runStarted = false;
};
