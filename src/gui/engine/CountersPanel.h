#pragma once

#include <QFrame>
#include <array>

class ProductionCounters;
class QLabel;
class QProgressBar;
class SocketPanel;
class TPXled;

// The strip below the work area: the run count, the "Adapter Sockets:" group with the four socket
// indicators, the task and cycle progress gauges with the time lapse, and the pass and fail
// counts. It renders ProductionCounters and the socket panel; both must outlive it.
class CountersPanel : public QFrame
{
    Q_OBJECT
public:
    CountersPanel(SocketPanel& sockets, ProductionCounters& counters, QWidget* parent = nullptr);

    TPXled* Led(int socket) const { return m_leds.at(size_t(socket)); }
    QLabel* RunCountLabel() const { return m_run; }
    QLabel* PassLabel() const { return m_pass; }
    QLabel* FailLabel() const { return m_fail; }
    QLabel* TimeLapseLabel() const { return m_time; }
    QProgressBar* TaskGauge() const { return m_task; }
    QProgressBar* CycleGauge() const { return m_cycle; }

private:
    void ShowCounters();

    ProductionCounters& m_counters;
    std::array<TPXled*, 4> m_leds{};
    QLabel* m_run;
    QLabel* m_pass;
    QLabel* m_fail;
    QLabel* m_time;
    QProgressBar* m_task;
    QProgressBar* m_cycle;
};
