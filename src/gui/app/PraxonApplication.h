#pragma once

#include <QApplication>

// The application object. Any fault that escapes an event handler is shown with a standard
// critical message and the program carries on, instead of ending the process.
class PraxonApplication : public QApplication
{
    Q_OBJECT
public:
    PraxonApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;

    // Whether there is a screen to show windows on ("offscreen" or "minimal" platforms are not).
    bool IsHeadless() const;
};
