#pragma once

#include <QObject>
#include <QString>

// The state of the "Checking Communications..." status window: which text it shows, whether it
// is visible, and the interval of its animation. The GUI window renders it.
class LinkStatus : public QObject
{
    Q_OBJECT
public:
    static constexpr int InitialIntervalMs = 250;

    enum Text : int {
        SynchronizingFirmware = 0,
        LoadingConfiguration = 1,
        FirmwareUpdateComplete = 2,
        ConfigurationComplete = 3,
        FirmwareUpdateError = 4,
        ConfigurationError = 5,
        CheckingStatus = 6,
        PortCommunicationError = 7,
        PortConfigurationError = 8,
        CommunicationOk = 9,
        TestingHighSpeed = 10,
        HighSpeedFailed = 11,
        KeepingNormalSpeed = 12,
    };

    using QObject::QObject;

    static QString TextOf(int index);

    int Index() const { return m_index; }
    QString CurrentText() const { return TextOf(m_index); }
    bool Visible() const { return m_visible; }
    bool Animating() const { return m_animating; }
    int IntervalMs() const { return m_interval; }
    void SetIntervalMs(int ms) { m_interval = ms; }

    // show: put the text up, show the window (unless suppressed) and animate; otherwise stop the
    // animation and hide the window, keeping the text. The caller pauses after hiding.
    void Show(bool show, int index, bool suppressWindow);

    // The next animation interval after a tick that really took elapsedMs: faster while ticks
    // keep up, slower when the program is busy.
    static int AdaptInterval(int intervalMs, int elapsedMs);
    void Adapt(int elapsedMs) { m_interval = AdaptInterval(m_interval, elapsedMs); }

signals:
    void Changed();

private:
    int m_index = CheckingStatus;
    bool m_visible = false;
    bool m_animating = false;
    int m_interval = InitialIntervalMs;
};
