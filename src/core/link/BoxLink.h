#pragma once

#include "core/link/LinkPortHooks.h"

#include <QObject>
#include <array>
#include <functional>
#include <vector>

class LinkErrorWord;
class LinkPort;
class LinkProgress;
class OptionTable;
struct ProgramFlags;

// The host side of the box protocol: the expectation queue of reply classes, the 16-byte window
// of unacknowledged bytes, the receive state machine with its data ring, the reply watchdog, the
// send primitives and (BoxCommands.cpp) the command set with its bulk transfers.
//
// Every byte the host sends in application mode is answered by one '8'; each send pushes the
// classes of the bytes it provokes, and every received byte pops one class and is checked or
// stored by it. A byte that does not fit its class is the box's error report (HandleBoxError).
// Failures are bits of the link error word; nothing here shows a message.
class BoxLink : public QObject, public LinkPortHooks
{
    Q_OBJECT
public:
    static constexpr int QueueCapacity = 2048;
    static constexpr int RingCapacity = 65536;
    static constexpr int Window = 16;       // unacknowledged bytes allowed in flight
    static constexpr int ReadChunk = 256;   // bytes taken per receive run
    static constexpr int WatchdogMs = 2500; // silence allowed after the first unanswered write
    static constexpr quint8 NoClass = 255;

    // Reply classes beyond the command echoes 0..26 (see the class table in ProcessByte).
    enum ReplyClass : quint8 {
        ClassAck = 56,
        ClassFirmwareVersion = 73,
        ClassLoaderReady = 76,
        ClassSupplyStatus = 94,
        ClassSupplyReading = 95,
        ClassDone = 100,
        ClassResync = 102,
        ClassVdd = 103,
        ClassVpp = 104,
        ClassBlock = 107,
        ClassStatusReply = 112,
        ClassData = 114,
        ClassConfigVersion = 120,
        ClassImageByte = 121,
        ClassBootVersion = 173,
    };

    BoxLink(LinkPort& port, LinkErrorWord& errors, ProgramFlags& flags, const OptionTable& options,
            LinkProgress& progress, QObject* parent = nullptr);
    ~BoxLink() override;

    LinkPort& Port() { return m_port; }
    LinkErrorWord& Errors() { return m_errors; }
    LinkProgress& Progress() { return m_progress; }
    bool LinkHealthy() const;
    bool StopRequested() const override;

    // Hooks for the layers above: the boot loader exchange after every DTR pulse, and forgetting
    // the programmer's identity.
    void SetHandshake(std::function<void()> handshake) { m_handshake = std::move(handshake); }
    void SetMarkNotAvailable(std::function<void()> mark) { m_markNotAvailable = std::move(mark); }
    // Tests shorten the watchdog; the program always uses WatchdogMs.
    void SetWatchdogInterval(int ms);

    // --- queue and receive ---
    void Expect(quint8 replyClass);
    void ProcessReceived();
    void WaitAllReplies();
    void WaitWindow();
    void WaitData(const std::function<void()>& meanwhile = {}); // meanwhile: run after each pass
    quint16 ReadWord();
    quint8 ReadByte();
    int ExpectedCount() const { return m_queueCount; }
    int InFlight() const { return m_inFlight; }
    int Available() const { return m_available; }

    // Queue, in-flight count and data ring emptied, current reply class := 255 (no purge).
    void ClearProtocolState();
    // ClearProtocolState, purge both directions, 250 ms pause.
    void ResetLinkStateFull();

    // --- send primitives (single bytes through WritePort) ---
    void SendRaw(quint8 byte, bool expect, quint8 replyClass);
    void SendFramed(quint8 byte, bool expect, quint8 replyClass);
    void SendData(quint8 byte, bool expect = false, quint8 replyClass = ClassDone);
    void SendRead(bool last);
    void SendEscape(quint8 value, quint8 firstClass, int count, bool acknowledged);
    void SendAbortEscape();
    void SendStopEscape();

    void HandleBoxError(quint8 byte);

    // --- command set (BoxCommands.cpp); each returns StopRequested ---
    bool Command(quint8 cmd, bool completion);
    bool CommandWithReplies(quint8 cmd, quint8 replyClass, int n, bool completion);
    bool SendBlock(quint8 cmd, const quint8* bytes, int count, bool withLength);
    // Adjusts the parameter block as an operation setup does (flag 0x40 clear when keepSkip,
    // byte 10 := 0xFF for long operations) and sends it (command 2) and the payload (command 0).
    bool SendOperationSetup(quint8* parameterBlock, const quint8* payload, int payloadLength, bool withLength,
                            bool keepSkip);
    bool SendWords(quint16 mask, const quint16* words, int count);
    bool SendPanelWords(quint16 mask, const quint16* words, int start, int panels, int count, int panelSize,
                        int wordsPerWrite);
    bool SendBytes(const quint16* words, int count);
    bool SendConfigWords(const quint16* words, const quint16* masks, int count, int cfgWords);
    bool SendWord(quint16 word);
    bool ReadWords(quint16* words, int count);
    bool ReadBytes(quint16* elements, int count);
    // Reads the 14-byte status reply; narrows passingSockets to the sockets that passed and
    // records the voltage bits and a failed selected socket.
    bool ReadResults(quint8& passingSockets, quint8 selectedSockets);

    // --- what the box reported ---
    quint16 FirmwareVersion() const { return m_firmwareVersion; }
    quint16 BootVersion() const { return m_bootVersion; }
    char ConfigVersion() const { return m_configVersion; }
    quint8 SupplyStatus() const { return m_supplyStatus; }
    quint16 VddReading() const { return m_vddReading; }
    quint16 VppReading() const { return m_vppReading; }
    const std::array<quint8, 14>& StatusReply() const { return m_statusReply; }
    quint8 CurrentReplyClass() const { return m_currentClass; }
    // The status reply byte counter; ReadResults clears it before asking.
    void ClearStatusCounter() { m_statusCount = 0; }

    bool HighSpeedTrial() const { return m_highSpeedTrial; }
    void SetHighSpeedTrial(bool on) { m_highSpeedTrial = on; }
    bool HighSpeedFailed() const { return m_highSpeedFailed; }
    void SetHighSpeedFailed(bool failed) { m_highSpeedFailed = failed; }
    bool FirstTimeout() const { return m_firstTimeout; }
    void ClearFirstTimeout() { m_firstTimeout = false; }

    // LinkPortHooks
    void PortOpened() override;
    void PortClosed() override;
    void ClearErrorWord() override;
    void ResetLinkState() override { ClearProtocolState(); }
    void MarkHardwareNotAvailable() override;
    void FirmwareHandshake() override;
    void WriteStarted() override;
    void WriteFailed() override { StopWatchdog(); }

    bool WatchdogRunning() const;
    void StartWatchdog();
    void StopWatchdog();

private:
    void WatchdogExpired();
    void Write(quint8 byte);
    quint8 PopClass();
    // Applies one received byte to its class; false ends the receive run without consuming it.
    bool ProcessByte(quint8 byte);
    void StoreData(quint8 byte);
    void ProcessEvents();
    bool WaitQueueSpace();
    void BulkStep(int& sinceStep);
    // Sends '<' cmd '>' while the link stays healthy, expecting the echo after the last byte.
    void SendCommandFrame(quint8 cmd);
    void FinishBulk();

    // The read requests of a bulk read: total requests in all, issued so far, and how far they may
    // run ahead (the end of the current progress step). The last request also expects the 'd'
    // when doneOnLast is set.
    struct ReadAhead {
        int total = 0;
        int issued = 0;
        int limit = 0;
        bool doneOnLast = false;
    };
    // Sends the next read requests while the window has room, up to the limit.
    void IssueReads(ReadAhead& reads);
    // The next data byte of a bulk read; while it waits, every acknowledgement that frees the
    // window is used at once for a further request.
    quint8 ReadAheadByte(ReadAhead& reads);
    // The oldest received data byte, or 0 when there is none or a stop was requested.
    quint8 TakeByte();

    LinkPort& m_port;
    LinkErrorWord& m_errors;
    ProgramFlags& m_flags;
    const OptionTable& m_options;
    LinkProgress& m_progress;
    std::function<void()> m_handshake;
    std::function<void()> m_markNotAvailable;

    std::array<quint8, QueueCapacity> m_queue{};
    int m_queueRead = 0;
    int m_queueWrite = 0;
    int m_queueCount = 0;
    int m_inFlight = 0;
    quint8 m_currentClass = NoClass;

    std::vector<quint8> m_ring;
    int m_ringRead = 0;
    int m_ringWrite = 0;
    int m_available = 0;

    quint16 m_firmwareVersion = 0;
    quint16 m_bootVersion = 0;
    char m_configVersion = 0;
    quint8 m_supplyStatus = 0;
    quint16 m_vddReading = 0;
    quint16 m_vppReading = 0;
    std::array<quint8, 14> m_statusReply{};
    int m_statusCount = 0;
    int m_blockCounter = 0;

    // The watchdog is a timer of the port's clock (0 when none runs). Its handler re-arms it and
    // then waits for the answer to the abort escape, during which the new timer may fire.
    int m_watchdog = 0;
    int m_watchdogMs = WatchdogMs;
    bool m_firstTimeout = false;
    bool m_highSpeedTrial = false;
    bool m_highSpeedFailed = false;
};
