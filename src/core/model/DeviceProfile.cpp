#include "core/model/DeviceProfile.h"

CoreFamily CoreFamilyFromText(const QString& text)
{
    const QString core = text.trimmed().toUpper();
    if (core == QLatin1String("5X"))
        return CoreFamily::Core5X;
    if (core == QLatin1String("XX"))
        return CoreFamily::CoreXX;
    if (core == QLatin1String("18X"))
        return CoreFamily::Core18X;
    return CoreFamily::Unknown;
}

QString CoreFamilyText(CoreFamily family)
{
    switch (family) {
    case CoreFamily::Core5X: return QStringLiteral("5X");
    case CoreFamily::CoreXX: return QStringLiteral("XX");
    case CoreFamily::Core18X: return QStringLiteral("18X");
    case CoreFamily::Unknown: break;
    }
    return QStringLiteral("UNKNOWN");
}
