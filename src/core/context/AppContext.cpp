#include "core/context/AppContext.h"

#include <QDir>

AppContext::AppContext(OperatorInterface& op, const QString& appDir) : m_operator(&op)
{
    QString dir = QDir::fromNativeSeparators(appDir);
    if (!dir.isEmpty() && !dir.endsWith(u'/'))
        dir += u'/';
    m_appDir = dir;
}
