#pragma once

#include <QWidget>

class QLabel;
class QPushButton;
class TargetMonitor;

// The "Target Monitor Status" window: a small tool window on top of the others that shows what
// the power sequencing waits for (range, action, the live reading in its colour) and forwards its
// button to the monitor. It shows and hides itself as the monitor's Visible() says; the monitor
// must outlive it.
class TargetMonitorView : public QWidget
{
    Q_OBJECT
public:
    static constexpr int ClientWidth = 319;
    static constexpr int ClientHeight = 86;

    explicit TargetMonitorView(TargetMonitor& monitor, QWidget* parent = nullptr);

    QLabel* RangeLabel() const { return m_range; }
    QLabel* ValueLabel() const { return m_value; }
    QLabel* ActionLabel() const { return m_action; }
    QPushButton* Button() const { return m_button; }

private:
    void ShowState();
    void CentreOnScreen();

    TargetMonitor& m_monitor;
    QLabel* m_range;
    QLabel* m_value;
    QLabel* m_action;
    QPushButton* m_button;
    bool m_errorShown = false;
};
