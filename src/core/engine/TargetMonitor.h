#pragma once

#include "core/context/HistoryColour.h"

#include <QObject>
#include <QString>
#include <QTimer>

// The target monitor's state: what the power sequencing is waiting for (range text, action,
// live reading and its colour), the operator's cancel and the close timer. A GUI view renders it
// and forwards its button; without a view (headless, tests) the state still behaves the same.
class TargetMonitor : public QObject
{
    Q_OBJECT
public:
    static constexpr int CloseDelayMs = 1000;

    explicit TargetMonitor(QObject* parent = nullptr);

    const QString& RangeText() const { return m_range; }
    const QString& ActionText() const { return m_action; }
    const QString& ValueText() const { return m_value; }
    HistoryColour ValueColour() const { return m_valueColour; }
    bool Visible() const { return m_visible; }
    bool ErrorLook() const { return m_errorLook; }
    QString ButtonCaption() const { return m_errorLook ? QStringLiteral("Close") : QStringLiteral("Cancel"); }
    // RGB (166, 202, 240) after a reset, RGB (240, 251, 255) before the first, red in the error look.
    HistoryColour Background() const;
    bool CloseTimerActive() const { return m_timer.isActive(); }

    // Cancel flag := false, timer stopped, normal look.
    void Reset();
    // Reset, warning beep, the texts in black, show.
    void ShowWait(const QString& label, const QString& action, const QString& value);
    // Stops the close timer; sets each non-null text and the value colour.
    void SetTexts(const QString& label, const QString& action, HistoryColour colour, const QString& value);
    void ErrorMode();
    bool TakeCancel();
    void CloseSoon();
    void Close();
    // The button (Cancel or Close).
    void Cancel();

signals:
    void Changed();

private:
    QString m_range;
    QString m_action;
    QString m_value = QStringLiteral("0.0");
    HistoryColour m_valueColour = HistoryColour::FromRgb(0, 0, 0);
    bool m_visible = false;
    bool m_errorLook = false;
    bool m_cancel = false;
    bool m_wasReset = false;
    QTimer m_timer;
};
