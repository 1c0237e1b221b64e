#pragma once

#include "core/link/LinkClock.h"
#include "core/link/PortError.h"
#include "core/link/SerialTransport.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <functional>
#include <memory>

class HistoryLog;
class LinkPortHooks;
class OperatorInterface;
class PortFactory;
struct ProgramFlags;

// The link's serial port: open at 57600 or 115200 baud (8N1, no flow control), write and read raw
// bytes with fixed time-outs, purge, pulse DTR to reset the box, pause 250 ms without blocking
// the event loop, and turn every port failure into one report (history lines in the Error style
// and, unless ExitOnErrors, a message box) followed by a close. One port at a time; the
// transport behind it comes from the PortFactory.
class LinkPort : public QObject
{
    Q_OBJECT
public:
    static constexpr int PauseMs = 250;
    // ReadPort time-outs: it returns after a gap of ReadIntervalMs between bytes, or after
    // ReadTotalMs + ReadPerByteMs per requested byte.
    static constexpr int ReadIntervalMs = 10;
    static constexpr int ReadTotalMs = 250;
    static constexpr int ReadPerByteMs = 5;

    LinkPort(HistoryLog& history, OperatorInterface& op, const ProgramFlags& flags, const PortFactory& factory,
             QObject* parent = nullptr);
    ~LinkPort() override;

    void SetHooks(LinkPortHooks* hooks);
    // Maps a port number (1 to 9, the "COM1" ... "COM9" of the port list) to a device path or URL.
    void SetPortResolver(std::function<QString(int)> resolver) { m_resolver = std::move(resolver); }
    // PRAXON_COMn when set, else the platform's usual device for that number.
    static QString DefaultPortTarget(int portNumber);
    // Tests shorten the pause; the program always uses PauseMs.
    void SetPauseInterval(int ms) { m_pauseMs = ms; }
    // Every wait of the link is measured on this clock (a RealLinkClock unless a test sets one;
    // the clock must outlive the port's use of it).
    void SetClock(LinkClock& clock) { m_clock = &clock; }
    LinkClock& Clock() const { return *m_clock; }

    // Returns true when the open failed (or the reset that follows a 57600 open stopped the run).
    bool OpenPort(int portNumber, const QString& baudText);
    bool OpenTarget(const QString& target, const QString& baudText);
    void ClosePort();
    // Returns false when the write failed (reported, port closed).
    bool WritePort(const QByteArray& bytes);
    // Up to count bytes, bounded by the read time-outs; empty on failure (reported, port closed).
    QByteArray ReadPort(int count);
    void PurgePort(bool receive, bool transmit);
    void Pause();
    bool Pausing() const { return m_pausing; }
    // Ends a running pause at once (a transfer that stopped does not wait for it).
    void StopPause() { m_pausing = false; }
    void HardwareReset();
    // The DTR pulse alone: the box restarts into its boot loader with the target's supplies off.
    // No handshake follows and the error word stays; the programmer is no longer ready, so the
    // next reset runs in full. Returns false when the pulse failed (reported, port closed).
    bool PulseDtr();
    void ReportPortError(PortErrorCategory category, const QString& systemText);

    bool IsOpen() const { return m_transport && m_transport->IsOpen(); }
    bool ProgrammerReady() const { return m_programmerReady; }
    void SetProgrammerReady(bool ready) { m_programmerReady = ready; }
    SerialTransport* Transport() const { return m_transport.get(); }

signals:
    void DataArrived();

private:
    void ReportTransferError(PortErrorCategory fallback, const QString& systemText);

    HistoryLog& m_history;
    OperatorInterface& m_operator;
    const ProgramFlags& m_flags;
    const PortFactory& m_factory;
    LinkPortHooks* m_hooks;
    std::function<QString(int)> m_resolver;
    std::unique_ptr<SerialTransport> m_transport;
    RealLinkClock m_realClock;
    LinkClock* m_clock = &m_realClock;
    int m_pauseMs = PauseMs;
    int m_baud = 0;
    bool m_pausing = false;
    bool m_programmerReady = false;
};
