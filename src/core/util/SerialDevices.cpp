#include "core/util/SerialDevices.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>

namespace SerialDevices {

namespace {

// Sort key of a device: USB serial converters first, then CDC ACM devices, each by number.
struct DeviceOrder {
    int group = 2;
    int number = 0;
    QString name;
};

DeviceOrder OrderOf(const QString& device)
{
    static const QRegularExpression pattern(QStringLiteral("^tty(USB|ACM)(\\d+)$"));
    DeviceOrder order;
    order.name = QFileInfo(device).fileName();
    const QRegularExpressionMatch match = pattern.match(order.name);
    if (match.hasMatch()) {
        order.group = match.captured(1) == QLatin1String("USB") ? 0 : 1;
        order.number = match.captured(2).toInt();
    }
    return order;
}

bool Before(const Adapter& a, const Adapter& b)
{
    const DeviceOrder x = OrderOf(a.device);
    const DeviceOrder y = OrderOf(b.device);
    if (x.group != y.group)
        return x.group < y.group;
    if (x.number != y.number)
        return x.number < y.number;
    if (x.name != y.name)
        return x.name < y.name;
    return a.stableName < b.stableName;
}

QString PlainDevice(int n)
{
    return QStringLiteral("/dev/ttyUSB%1").arg(n);
}

bool IsUrl(const QString& target)
{
    return target.contains(QLatin1String("://"));
}

} // namespace

QString DefaultByIdDirectory()
{
    return QStringLiteral("/dev/serial/by-id");
}

QList<Adapter> PresentAdapters(const QString& byIdDirectory)
{
    QList<Adapter> adapters;
    const QDir dir(byIdDirectory);
    const QFileInfoList entries = dir.entryInfoList(QDir::System | QDir::Files | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (!entry.isSymLink())
            continue;
        const QString device = entry.canonicalFilePath(); // empty when the link points nowhere
        if (device.isEmpty())
            continue;
        adapters.append({dir.absoluteFilePath(entry.fileName()), device});
    }
    std::sort(adapters.begin(), adapters.end(), Before);
    return adapters;
}

QStringList DefaultMap(const QList<Adapter>& adapters, int count)
{
    QStringList map;
    QStringList taken;
    for (const Adapter& adapter : adapters) {
        if (map.size() == count)
            break;
        map << adapter.stableName;
        taken << QFileInfo(adapter.device).fileName();
    }
    for (int n = 0; map.size() < count; ++n) {
        if (!taken.contains(QStringLiteral("ttyUSB%1").arg(n)))
            map << PlainDevice(n);
    }
    return map;
}

QString Describe(const QString& target)
{
    if (target.isEmpty() || IsUrl(target))
        return target;
    const QFileInfo info(target);
    const QString device = info.canonicalFilePath();
    if (device.isEmpty())
        return target + QStringLiteral(" (not connected)");
    if (info.isSymLink())
        return info.fileName() + QStringLiteral(" (") + QFileInfo(device).fileName() + u')';
    return target;
}

} // namespace SerialDevices
