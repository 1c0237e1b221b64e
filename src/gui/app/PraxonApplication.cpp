#include "gui/app/PraxonApplication.h"

#include <QMessageBox>
#include <cstdio>
#include <exception>

PraxonApplication::PraxonApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("Praxon MCU Programmer"));
    setApplicationDisplayName(QStringLiteral("Praxon MCU Programmer"));
}

bool PraxonApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& fault) {
        std::fprintf(stderr, "praxon: unhandled fault: %s\n", fault.what());
        if (!IsHeadless())
            QMessageBox::critical(nullptr, applicationDisplayName(), QString::fromLocal8Bit(fault.what()));
    } catch (...) {
        std::fprintf(stderr, "praxon: unhandled fault\n");
        if (!IsHeadless())
            QMessageBox::critical(nullptr, applicationDisplayName(), QStringLiteral("Unknown fault."));
    }
    return false;
}

bool PraxonApplication::IsHeadless() const
{
    const QString platform = platformName();
    return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}
