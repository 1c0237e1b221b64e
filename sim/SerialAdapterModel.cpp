#include "SerialAdapterModel.h"

SerialAdapterModel::SerialAdapterModel(int latencyMs, int packetBytes, QObject* parent)
    : QObject(parent), m_latencyMs(qBound(1, latencyMs, 16)), m_packetBytes(qMax(1, packetBytes))
{
    m_clock.start();
    m_timer.setTimerType(Qt::PreciseTimer);
    m_timer.setInterval(1);
    connect(&m_timer, &QTimer::timeout, this, &SerialAdapterModel::Tick);
}

void SerialAdapterModel::ToHost(const QByteArray& bytes, Deliver deliver)
{
    m_hostDeliver = std::move(deliver);
    const qint64 now = m_clock.nsecsElapsed();
    qint64 t = qMax(now, m_toHostFree);
    for (const char c : bytes) {
        t += ByteTimeNs();
        m_wireToHost.push_back({t, c});
    }
    m_toHostFree = t;
    if (!m_timer.isActive())
        m_timer.start();
}

void SerialAdapterModel::ToBox(const QByteArray& bytes, Deliver deliver)
{
    m_boxDeliver = std::move(deliver);
    const qint64 now = m_clock.nsecsElapsed();
    qint64 t = qMax(now, m_toBoxFree);
    for (const char c : bytes) {
        t += ByteTimeNs();
        m_wireToBox.push_back({t, c});
    }
    m_toBoxFree = t;
    if (!m_timer.isActive())
        m_timer.start();
}

void SerialAdapterModel::Tick()
{
    const qint64 now = m_clock.nsecsElapsed();
    QByteArray arrived;
    while (!m_wireToBox.empty() && m_wireToBox.front().due <= now) {
        arrived.append(m_wireToBox.front().byte);
        m_wireToBox.pop_front();
    }
    if (!arrived.isEmpty() && m_boxDeliver)
        m_boxDeliver(arrived); // may queue replies below

    while (!m_wireToHost.empty() && m_wireToHost.front().due <= now) {
        if (m_adapterBuffer.isEmpty())
            m_bufferSince = m_wireToHost.front().due;
        m_adapterBuffer.append(m_wireToHost.front().byte);
        m_wireToHost.pop_front();
        if (m_adapterBuffer.size() >= m_packetBytes) {
            const QByteArray packet = m_adapterBuffer;
            m_adapterBuffer.clear();
            if (m_hostDeliver)
                m_hostDeliver(packet);
        }
    }
    if (!m_adapterBuffer.isEmpty() && now - m_bufferSince >= qint64(m_latencyMs) * 1'000'000) {
        const QByteArray packet = m_adapterBuffer;
        m_adapterBuffer.clear();
        if (m_hostDeliver)
            m_hostDeliver(packet);
    }
    if (m_wireToBox.empty() && m_wireToHost.empty() && m_adapterBuffer.isEmpty())
        m_timer.stop();
}
