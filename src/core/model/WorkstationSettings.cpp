#include "core/model/WorkstationSettings.h"

#include "core/util/SerialDevices.h"

#include <QtGlobal>

namespace {
Qt::CaseSensitivity PathCase()
{
#ifdef Q_OS_WIN
    return Qt::CaseInsensitive;
#else
    return Qt::CaseSensitive;
#endif
}
} // namespace

void WorkstationSettings::SetPlacementHooks(RememberedWindow window, PlacementHooks hooks)
{
    m_placementHooks.at(size_t(window)) = std::move(hooks);
}

void WorkstationSettings::ClearPlacementHooks(RememberedWindow window, const void* owner)
{
    PlacementHooks& hooks = m_placementHooks.at(size_t(window));
    if (hooks.owner == owner)
        hooks = PlacementHooks{};
}

void WorkstationSettings::CapturePlacement(RememberedWindow window, bool keepHeight)
{
    const PlacementHooks& hooks = m_placementHooks.at(size_t(window));
    if (hooks.capture)
        hooks.capture(Placement(window), keepHeight);
}

void WorkstationSettings::ApplyPlacement(RememberedWindow window)
{
    const PlacementHooks& hooks = m_placementHooks.at(size_t(window));
    if (!hooks.apply || m_applying)
        return;
    m_applying = true;
    hooks.apply(Placement(window));
    m_applying = false;
}

void WorkstationSettings::SetViewItems(bool showTasks, bool showInformation, int treeWidth, int informationHeight)
{
    m_showTasks = showTasks;
    m_showInformation = showInformation;
    m_treeWidth = treeWidth;
    m_informationHeight = informationHeight;
}

void WorkstationSettings::SetRecentFiles(const QStringList& paths)
{
    m_recent = paths.mid(0, MaxRecentFiles);
    emit RecentFilesChanged();
}

void WorkstationSettings::AddRecentFile(const QString& path)
{
    if (path.isEmpty() || (!m_recent.isEmpty() && m_recent.first().compare(path, PathCase()) == 0))
        return;
    for (qsizetype i = m_recent.size() - 1; i >= 0; --i) {
        if (m_recent.at(i).compare(path, PathCase()) == 0)
            m_recent.removeAt(i);
    }
    m_recent.prepend(path);
    while (m_recent.size() > MaxRecentFiles)
        m_recent.removeLast();
    emit RecentFilesChanged();
}

QString WorkstationSettings::PortTarget(const QString& portName) const
{
    if (portName.size() == 4 && portName.startsWith(QLatin1String("COM"), Qt::CaseInsensitive)) {
        const int number = portName.at(3).digitValue();
        if (number >= 1 && number <= PortCount)
            return PortTarget(number);
    }
    return portName;
}

QString WorkstationSettings::PortTarget(int portNumber) const
{
    if (portNumber < 1 || portNumber > PortCount)
        return QString();
    const QString fromEnvironment =
        qEnvironmentVariable(QStringLiteral("PRAXON_COM%1").arg(portNumber).toLatin1().constData());
    if (!fromEnvironment.isEmpty())
        return fromEnvironment;
    const QString stored = StoredPortTarget(portNumber);
    return stored.isEmpty() ? DefaultPortTarget(portNumber) : stored;
}

QString WorkstationSettings::DefaultPortTarget(int portNumber) const
{
    if (portNumber < 1 || portNumber > PortCount)
        return QString();
#ifdef Q_OS_WIN
    return PortName(portNumber);
#else
    const QString directory = m_adapterDirectory.isEmpty() ? SerialDevices::DefaultByIdDirectory() : m_adapterDirectory;
    return SerialDevices::DefaultMap(SerialDevices::PresentAdapters(directory), PortCount).at(portNumber - 1);
#endif
}

QString WorkstationSettings::StoredPortTarget(int portNumber) const
{
    return portNumber >= 1 && portNumber <= PortCount ? m_ports.at(size_t(portNumber - 1)) : QString();
}

void WorkstationSettings::SetStoredPortTarget(int portNumber, const QString& target)
{
    if (portNumber < 1 || portNumber > PortCount)
        return;
    const QString trimmed = target.trimmed();
    m_ports.at(size_t(portNumber - 1)) = trimmed == PlatformPortTarget(portNumber) ? QString() : trimmed;
}

QString WorkstationSettings::PlatformPortTarget(int portNumber)
{
#ifdef Q_OS_WIN
    return PortName(portNumber);
#else
    return QStringLiteral("/dev/ttyUSB%1").arg(portNumber - 1);
#endif
}
