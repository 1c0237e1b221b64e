#include "core/engine/ElapsedText.h"

#include <QLocale>
#include <QStringList>

QString FormatElapsed(qint64 ms)
{
    // Whole milliseconds are split exactly; splitting a fraction of a minute in floating point
    // would leave a stray "0 ms" on times such as 61 seconds.
    const qint64 t = ms < 0 ? -ms : ms;
    const qint64 minutes = t / 60000;
    const qint64 seconds = (t % 60000) / 1000;
    const qint64 rest = t % 1000;
    const QLocale locale;
    QStringList parts;
    if (minutes > 0)
        parts << locale.toString(minutes) + QStringLiteral(" Min");
    if (seconds > 0)
        parts << locale.toString(seconds) + QStringLiteral(" Sec");
    if (rest > 0)
        parts << locale.toString(rest) + QStringLiteral(" ms");
    if (parts.isEmpty())
        return QStringLiteral("?");
    return parts.join(QStringLiteral(", "));
}
