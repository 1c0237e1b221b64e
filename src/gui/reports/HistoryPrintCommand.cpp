#include "gui/reports/HistoryPrintCommand.h"

#include "gui/app/TPXmain.h"
#include "gui/reports/TPXprnform.h"

#include <QAction>

HistoryPrintCommand::HistoryPrintCommand(TPXmain& window, AppContext& context)
    : QObject(&window), m_dialog(new TPXprnform(context, &window))
{
    window.ActPrintHistory()->setEnabled(true);
    connect(window.ActPrintHistory(), &QAction::triggered, m_dialog, &TPXprnform::Open);
}
