#pragma once

#include <QObject>
#include <QString>

// The production counters of the main window: run count, total passed and failed, the passed
// devices of the last cycle, the time lapse and the two progress gauges (the good and failed
// devices of the run under way are run state). ShowCounters publishes the label texts; the counters panel
// renders them.
class ProductionCounters : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    qint32 runCount = 0;
    qint32 totalPassed = 0;
    qint32 totalFailed = 0;
    qint32 passedLastCycle = 0;

    // Wraps a run count above 99999 to 1, then sets the three label texts.
    void ShowCounters();
    // "Clear &Stats": every count of the panel to 0 (the caller resets the run state).
    void ClearCounts();

    // The run count as the panel shows it: at least 5 digits, padded with "0".
    const QString& RunCountText() const { return m_runText; }
    const QString& PassText() const { return m_passText; }
    const QString& FailText() const { return m_failText; }
    const QString& ElapsedText() const { return m_elapsedText; }
    void SetElapsedText(const QString& text);
    // The two progress gauges (task and cycle), as position and maximum.
    int taskPosition = 0, taskMaximum = 100, cyclePosition = 0, cycleMaximum = 100;
    void SetGauges(int task, int cycle);
    void SetCycleMaximum(int maximum);

signals:
    void Changed();

private:
    QString m_runText = QStringLiteral("00000");
    QString m_passText = QStringLiteral("0");
    QString m_failText = QStringLiteral("0");
    QString m_elapsedText = QStringLiteral("?");
};
