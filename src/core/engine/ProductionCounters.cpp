#include "core/engine/ProductionCounters.h"

void ProductionCounters::ShowCounters()
{
    if (runCount > 99999)
        runCount = 1;
    m_runText = QString::number(runCount);
    if (m_runText.size() < 5)
        m_runText = m_runText.rightJustified(5, u'0');
    m_passText = QString::number(totalPassed);
    m_failText = QString::number(totalFailed);
    emit Changed();
}

void ProductionCounters::ClearCounts()
{
    runCount = 0;
    passedLastCycle = 0;
    totalPassed = 0;
    totalFailed = 0;
}

void ProductionCounters::SetElapsedText(const QString& text)
{
    m_elapsedText = text;
    emit Changed();
}

void ProductionCounters::SetGauges(int task, int cycle)
{
    taskPosition = task;
    cyclePosition = cycle;
    emit Changed();
}

void ProductionCounters::SetCycleMaximum(int maximum)
{
    cycleMaximum = maximum > 0 ? maximum : 1;
    emit Changed();
}
