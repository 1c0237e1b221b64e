#pragma once

#include <QObject>
#include <QString>
#include <functional>

class QFontMetrics;
class QMenu;
class WorkstationSettings;

// The "&Re-Open" submenu: one entry per recent file, newest first, captioned "&" + accelerator
// + " " + path (1 to 9, then A to Z), followed by a separator; rebuilt whenever the list changes.
// Choosing an entry calls the open handler with the full path.
class RecentFilesMenu : public QObject
{
    Q_OBJECT
public:
    // Paths wider than this in the menu font are shortened.
    static constexpr int MaxPathWidth = 200;

    RecentFilesMenu(QMenu& menu, WorkstationSettings& station, std::function<void(const QString&)> open);

    void Rebuild();

    // The accelerator of entry index (0-based): '1' .. '9', then 'A' .. 'Z'.
    static QChar Accelerator(int index);
    // Shortens path to fit width: directories are taken away from the end of its directory part
    // and replaced by "<sep>...<sep>" (the drive or root and the file name stay) until it fits or
    // only the drive is left; what is still too wide is cut with an ellipsis at its end.
    static QString ShortenPath(const QString& path, const QFontMetrics& metrics, int width, QChar separator);

private:
    QMenu& m_menu;
    WorkstationSettings& m_station;
    std::function<void(const QString&)> m_open;
};
