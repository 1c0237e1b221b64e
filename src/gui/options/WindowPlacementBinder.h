#pragma once

#include "core/model/WindowPlacement.h"

#include <QObject>

class AppContext;
class QWidget;

// Keeps a window and its remembered placement in step: showing or activating the window applies
// the record (clamped into the work area of the screen that holds its top-left corner), hiding,
// closing or deactivating it captures the record. The record's open flag is 1 while the window
// shows. A record without a size (never captured, or not in the store) leaves the window where
// its own rules put it. A window hidden while the program ends (ProgramFlags::ProgramExiting)
// keeps its open flag. The binder is a child of the window and registers itself with the settings
// store's placement hooks.
class WindowPlacementBinder : public QObject
{
    Q_OBJECT
public:
    WindowPlacementBinder(AppContext& context, RememberedWindow which, QWidget* window);
    ~WindowPlacementBinder() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Capture(WindowPlacement& record, bool keepHeight) const;
    void Apply(WindowPlacement& record) const;
    bool KeepHeight() const;
    // The main window at program close while option editing is locked by the control file.
    bool KeepsLockedPlacement() const;

    AppContext& m_context;
    RememberedWindow m_which;
    QWidget* m_window;
};
