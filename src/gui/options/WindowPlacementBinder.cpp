#include "gui/options/WindowPlacementBinder.h"

#include "core/context/AppContext.h"
#include "core/model/OptionIndex.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

WindowPlacementBinder::WindowPlacementBinder(AppContext& context, RememberedWindow which, QWidget* window)
    : QObject(window), m_context(context), m_which(which), m_window(window)
{
    window->installEventFilter(this);
    WorkstationSettings::PlacementHooks hooks;
    hooks.capture = [this](WindowPlacement& record, bool keepHeight) { Capture(record, keepHeight); };
    hooks.apply = [this](WindowPlacement& record) { Apply(record); };
    hooks.owner = this;
    context.Workstation().SetPlacementHooks(which, std::move(hooks));
}

WindowPlacementBinder::~WindowPlacementBinder()
{
    m_context.Workstation().ClearPlacementHooks(m_which, this);
}

bool WindowPlacementBinder::KeepHeight() const
{
    return m_which == RememberedWindow::Main && m_context.Options().IsSet(OptionIndex::CompactView);
}

bool WindowPlacementBinder::KeepsLockedPlacement() const
{
    return m_which == RememberedWindow::Main && m_context.Flags().ProgramExiting &&
           m_context.File().optionAccessMode == 2;
}

void WindowPlacementBinder::Capture(WindowPlacement& record, bool keepHeight) const
{
    const QPoint position = m_window->pos();
    record.top = position.y();
    record.left = position.x();
    if (!keepHeight)
        record.height = m_window->height();
    record.width = m_window->width();
    if (m_window->isVisible())
        record.open = 1;
}

void WindowPlacementBinder::Apply(WindowPlacement& record) const
{
    if (record.width <= 0 || record.height <= 0)
        return;
    QScreen* screen = QGuiApplication::screenAt(QPoint(record.left, record.top));
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen)
        ClampPlacement(record, screen->availableGeometry());
    m_window->resize(record.width, record.height);
    m_window->move(record.left, record.top);
}

bool WindowPlacementBinder::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window) {
        WorkstationSettings& station = m_context.Workstation();
        WindowPlacement& record = station.Placement(m_which);
        switch (event->type()) {
        case QEvent::Show:
            record.open = 1;
            station.ApplyPlacement(m_which);
            break;
        case QEvent::WindowActivate: station.ApplyPlacement(m_which); break;
        case QEvent::WindowDeactivate:
            if (!station.ApplyingPlacement() && m_window->isVisible() && !KeepsLockedPlacement())
                Capture(record, KeepHeight());
            break;
        case QEvent::Hide:
            // A production set-up locked by its control file keeps the main window where the
            // supervisor left it: closing the program does not record where the operator moved it.
            if (!station.ApplyingPlacement() && !KeepsLockedPlacement())
                Capture(record, KeepHeight());
            if (!m_context.Flags().ProgramExiting)
                record.open = 0;
            break;
        default: break;
        }
    }
    return QObject::eventFilter(watched, event);
}
