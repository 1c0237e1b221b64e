#pragma once

#include <QObject>

class AppContext;
class TPXmain;
class TPXprnform;

// Connects "&Print / Save History" to the history print dialog (made once, a child of the window).
class HistoryPrintCommand : public QObject
{
    Q_OBJECT
public:
    HistoryPrintCommand(TPXmain& window, AppContext& context);

    TPXprnform* Dialog() const { return m_dialog; }

private:
    TPXprnform* m_dialog;
};
