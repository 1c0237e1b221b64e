#include "gui/app/ScreenshotTour.h"

#include "core/app/Engine.h"
#include "core/engine/SocketPanel.h"
#include "gui/app/MainWindowViews.h"
#include "gui/app/TPXmain.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QPixmap>
#include <QTimer>
#include <cstdio>

namespace {
// Time for the window to be laid out and painted after each change.
constexpr int SettleMs = 700;
constexpr int PollMs = 200;
} // namespace

ScreenshotTour::ScreenshotTour(TPXmain& window, MainWindowViews& views, Engine& engine, const QString& folder)
    : QObject(&window), m_window(window), m_views(views), m_engine(engine), m_folder(folder)
{
}

void ScreenshotTour::Save(QWidget& widget, const QString& name) const
{
    const QString path = QDir(m_folder).filePath(name);
    const bool saved = widget.grab().save(path);
    std::fprintf(stderr, "praxon: screenshot %s%s\n", path.toLocal8Bit().constData(), saved ? "" : " failed");
}

void ScreenshotTour::Start()
{
    QDir().mkpath(m_folder);
    QTimer::singleShot(SettleMs, this, [this] {
        Save(m_window, QStringLiteral("full-view.png"));
        const QSize size = m_window.size();
        m_window.resize(m_window.minimumSize());
        QTimer::singleShot(SettleMs, this, [this, size] {
            Save(m_window, QStringLiteral("minimum-size.png"));
            m_window.resize(size);
            QTimer::singleShot(SettleMs, this, [this] { CompactAndAutoRun(); });
        });
    });
}

void ScreenshotTour::CompactAndAutoRun()
{
    m_views.CompactViewCommand();
    QTimer::singleShot(SettleMs, this, [this] {
        Save(m_window, QStringLiteral("compact-view.png"));
        m_views.FullViewCommand();
        SocketPanel& sockets = m_engine.Sockets();
        if (!sockets.GangChecked())
            sockets.GangClick();
        for (int s = 0; s < 4; ++s)
            if (!sockets.Indicator(s).douse())
                sockets.SocketSwitchClick(s);
        QTimer::singleShot(SettleMs, this, [this] {
            Save(m_window, QStringLiteral("gang-ready.png"));
            m_window.ActAutoRun()->trigger();
            AfterAutoRun();
        });
    });
}

void ScreenshotTour::EditorPages(int step)
{
    const std::pair<QAction*, const char*> pages[] = {
        {m_window.ActEditCode(), "editor-code.png"},     {m_window.ActEditData(), "editor-data.png"},
        {m_window.ActEditId(), "editor-id.png"},         {m_window.ActEditConfigWord(), "editor-fuses.png"},
        {m_window.ActEditSerial(), "editor-serial.png"},
    };
    if (step >= int(std::size(pages))) {
        QApplication::quit();
        return;
    }
    pages[step].first->trigger();
    QTimer::singleShot(SettleMs, this, [this, step, name = pages[step].second] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible() && top->objectName() == QLatin1String("TPXedwin"))
                Save(*top, QString::fromLatin1(name));
        EditorPages(step + 1);
    });
}

void ScreenshotTour::AfterAutoRun()
{
    // The run takes the lock while it works; the picture is taken once it has let go.
    const bool locked = m_engine.Lock().Locked();
    m_runStarted = m_runStarted || locked;
    if (!m_runStarted || locked) {
        QTimer::singleShot(PollMs, this, &ScreenshotTour::AfterAutoRun);
        return;
    }
    QTimer::singleShot(SettleMs, this, [this] {
        Save(m_window, QStringLiteral("after-auto-run.png"));
        m_window.ActInfo()->trigger();
        QTimer::singleShot(SettleMs, this, [this] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (top->isVisible() && top->objectName() == QLatin1String("Appinfo_form"))
                    Save(*top, QStringLiteral("information-window.png"));
            m_views.CompactViewCommand();
            QTimer::singleShot(SettleMs, this, [this] {
                Save(m_window, QStringLiteral("compact-after-auto-run.png"));
                m_views.FullViewCommand();
                EditorPages(0);
            });
        });
    });
}
