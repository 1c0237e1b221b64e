#include "core/link/PortError.h"

#include <array>

QString PortErrorText(PortErrorCategory category)
{
    static const std::array<const char*, PortErrorCategoryCount> texts = {
        " Error Opening Port",
        " Error Configuring COM State",
        " Error Getting COM State",
        " Error Building COM DCB",
        " Error Setting COM State",
        " Error Setting COM Timeouts",
        " Error with COM Handshake",
        " Error Flushing COM Buffers",
        " Break Condition Detected on Port",
        " Communication Framing Error",
        " I/O Error Detected on Port",
        " Required Port Mode Not Supported",
        " Character Buffer Overrun - Data Lost",
        " Receive Buffer Overflowed",
        " Parity Error Detected on Port",
        " Transmit Buffer was Full",
        " Write To Port Failed",
        " Read From Port Failed",
    };
    const int index = int(category);
    if (index < 0 || index >= PortErrorCategoryCount)
        return QString();
    return QString::fromLatin1(texts[size_t(index)]);
}

PortErrorCategory ChooseLineErrorCategory(LineErrors errors, bool queryOk, PortErrorCategory fallback)
{
    if (!queryOk)
        return fallback;
    struct Rule {
        LineError error;
        PortErrorCategory category;
    };
    static const Rule order[] = {
        {LineError::TransmitFull, PortErrorCategory::TransmitFull},
        {LineError::Overrun, PortErrorCategory::Overrun},
        {LineError::Framing, PortErrorCategory::Framing},
        {LineError::ReceiveOverflow, PortErrorCategory::ReceiveOverflow},
        {LineError::ModeNotSupported, PortErrorCategory::ModeNotSupported},
        {LineError::Parity, PortErrorCategory::Parity},
        {LineError::IoError, PortErrorCategory::IoError},
        {LineError::Break, PortErrorCategory::Break},
    };
    for (const Rule& rule : order) {
        if (errors.testFlag(rule.error))
            return rule.category;
    }
    return fallback;
}

QString PortSystemText(QString text)
{
    auto replaceFirst = [&text](const QString& what, const QString& with) {
        const qsizetype at = text.indexOf(what);
        if (at >= 0)
            text.replace(at, what.size(), with);
    };
    replaceFirst(QStringLiteral("\r"), QStringLiteral(" "));
    replaceFirst(QStringLiteral("\n"), QStringLiteral(" "));
    replaceFirst(QStringLiteral("file"), QStringLiteral("Port"));
    replaceFirst(QStringLiteral("path"), QStringLiteral("Port"));
    return text;
}
