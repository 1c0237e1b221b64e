#include "gui/app/RecentFilesMenu.h"

#include "core/model/WorkstationSettings.h"

#include <QAction>
#include <QDir>
#include <QFontMetrics>
#include <QMenu>

RecentFilesMenu::RecentFilesMenu(QMenu& menu, WorkstationSettings& station, std::function<void(const QString&)> open)
    : QObject(&menu), m_menu(menu), m_station(station), m_open(std::move(open))
{
    connect(&station, &WorkstationSettings::RecentFilesChanged, this, &RecentFilesMenu::Rebuild);
    Rebuild();
}

QChar RecentFilesMenu::Accelerator(int index)
{
    return index < 9 ? QChar(u'1' + index) : QChar(u'A' + (index - 9));
}

QString RecentFilesMenu::ShortenPath(const QString& path, const QFontMetrics& metrics, int width, QChar separator)
{
    if (metrics.horizontalAdvance(path) <= width)
        return path;
    QStringList parts = path.split(separator);
    if (parts.size() >= 3) {
        // parts: drive (empty for a path from the root), directories..., file name.
        const QString drive = parts.takeFirst();
        const QString file = parts.takeLast();
        const QString gap = separator + QStringLiteral("...") + separator;
        while (!parts.isEmpty()) {
            parts.removeLast();
            QString candidate = drive;
            for (const QString& dir : parts)
                candidate += separator + dir;
            candidate += gap + file;
            if (metrics.horizontalAdvance(candidate) <= width || parts.isEmpty())
                return metrics.horizontalAdvance(candidate) <= width
                           ? candidate
                           : metrics.elidedText(candidate, Qt::ElideRight, width);
        }
    }
    return metrics.elidedText(path, Qt::ElideRight, width);
}

void RecentFilesMenu::Rebuild()
{
    m_menu.clear();
    const QStringList& paths = m_station.RecentFiles();
    const QFontMetrics metrics(m_menu.font());
    const QChar separator = QDir::separator();
    for (int i = 0; i < paths.size(); ++i) {
        const QString& path = paths.at(i);
        QString shown = ShortenPath(QDir::toNativeSeparators(path), metrics, MaxPathWidth, separator);
        shown.replace(u'&', QStringLiteral("&&"));
        QAction* entry = m_menu.addAction(QStringLiteral("&") + Accelerator(i) + u' ' + shown);
        entry->setData(path);
        entry->setToolTip(path);
        connect(entry, &QAction::triggered, this, [this, path] {
            if (m_open)
                m_open(path);
        });
    }
    m_menu.addSeparator();
    m_menu.menuAction()->setEnabled(!paths.isEmpty());
}
