#include "core/engine/TargetMonitor.h"

#include <QCoreApplication>

namespace {
constexpr HistoryColour InitialBackground = HistoryColour::FromRgb(240, 251, 255);
constexpr HistoryColour NormalBackground = HistoryColour::FromRgb(166, 202, 240);
} // namespace

TargetMonitor::TargetMonitor(QObject* parent) : QObject(parent)
{
    m_timer.setInterval(CloseDelayMs);
    m_timer.setSingleShot(true);
    connect(&m_timer, &QTimer::timeout, this, [this] { Close(); });
}

HistoryColour TargetMonitor::Background() const
{
    if (m_errorLook)
        return HistoryColours::Red;
    return m_wasReset ? NormalBackground : InitialBackground;
}

void TargetMonitor::Reset()
{
    m_cancel = false;
    m_timer.stop();
    m_errorLook = false;
    m_wasReset = true;
    emit Changed();
}

void TargetMonitor::ShowWait(const QString& label, const QString& action, const QString& value)
{
    Reset();
    SetTexts(label, action, HistoryColour::FromRgb(0, 0, 0), value);
    m_visible = true;
    emit Changed();
    QCoreApplication::processEvents();
}

void TargetMonitor::SetTexts(const QString& label, const QString& action, HistoryColour colour, const QString& value)
{
    m_timer.stop();
    if (!label.isNull())
        m_range = label;
    if (!action.isNull())
        m_action = action;
    if (!value.isNull())
        m_value = value;
    m_valueColour = colour;
    emit Changed();
    QCoreApplication::processEvents();
}

void TargetMonitor::ErrorMode()
{
    m_timer.stop();
    m_errorLook = true;
    m_visible = true;
    emit Changed();
}

bool TargetMonitor::TakeCancel()
{
    const bool cancelled = m_cancel;
    m_cancel = false;
    return cancelled;
}

void TargetMonitor::CloseSoon()
{
    m_timer.stop();
    m_timer.start();
}

void TargetMonitor::Close()
{
    m_timer.stop();
    if (!m_visible)
        return;
    m_visible = false;
    emit Changed();
}

void TargetMonitor::Cancel()
{
    m_cancel = true;
}
