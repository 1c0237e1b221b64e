#include "core/serial/SerialNumberLog.h"

#include <QDir>
#include <QFileInfo>
#include <QLocale>

namespace SerialNumberLog {

namespace {
QString Stamp(const QDateTime& time, const QString& afterDay, const QString& afterMs)
{
    const QLocale c = QLocale::c();
    return c.toString(time, QStringLiteral("ddd")) + QLatin1Char(',') + afterDay +
           c.toString(time, QStringLiteral("MM'/'dd'/'yyyy','HH':'mm':'ss':'zzz")) + QLatin1Char(',') + afterMs;
}

QByteArray Terminated(const QString& text)
{
    return text.toLatin1() + "\r\n";
}
} // namespace

QString HeaderTime(const QDateTime& time)
{
    return Stamp(time, QStringLiteral(" "), QStringLiteral(" "));
}

QString LineTime(const QDateTime& time)
{
    return Stamp(time, QString(), QString());
}

QByteArray Header(const Identity& id, const QDateTime& created)
{
    return Terminated(QStringLiteral("; Praxon Serial Number LOG.")) +
           Terminated(QStringLiteral(";  Created ") + HeaderTime(created)) +
           Terminated(QStringLiteral(";  [SW: ") + id.software + QStringLiteral("] [HWVER: ") + id.hardware +
                      QStringLiteral("] [FWVER: ") + id.firmware + QStringLiteral("] [SN: ") + id.serialNumber +
                      QStringLiteral("]"));
}

QByteArray Line(const QString& number, bool passed, const QString& lineTime, const QString& serialNumber)
{
    return Terminated(number + QLatin1Char(',') + (passed ? QStringLiteral("PASSED,") : QStringLiteral("FAILED,")) +
                      lineTime + serialNumber);
}

QString PathFor(const QString& sqtpPath)
{
    const QFileInfo info(sqtpPath);
    return info.dir().filePath(info.completeBaseName() + QStringLiteral(".PXL"));
}

} // namespace SerialNumberLog
