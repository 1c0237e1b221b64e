#pragma once

#include "BoxFaults.h"
#include "BoxIdentity.h"
#include "BoxOperation.h"
#include "SimulatedChip.h"
#include "core/link/BoxEndpoint.h"

#include <QByteArray>
#include <QObject>
#include <array>
#include <memory>

class SerialAdapterModel;

// The programmer box, byte for byte: the line (57600 baud after every reset, 115200 after the
// speed command; a host at the other rate reads garbage), the boot loader with image download,
// the application firmware (an '8' per received byte, escapes, echoes, completions, commands 0
// to 26, the status reply, identification and supply readings in 1/16 V), four sockets of
// simulated chips that the operations really change, injectable faults, and optionally the
// timing of a real line behind a USB serial adapter. docs/box-operations.md is its contract.
class BoxSimulator : public QObject, public BoxEndpoint
{
    Q_OBJECT
public:
    enum class Mode { Loader, Download, Application };

    explicit BoxSimulator(QObject* parent = nullptr);
    ~BoxSimulator() override;

    BoxIdentity& Identity() { return m_identity; }
    BoxFaults& Faults() { return m_faults; }

    void InsertChip(int socket, std::unique_ptr<SimulatedChip> chip);
    void RemoveChip(int socket);
    SimulatedChip* Chip(int socket) const;

    // Bytes leave at the line rate and reach the host the way a USB serial adapter delivers
    // them (latencyMs 1 to 16, packets of packetBytes). Off by default: replies arrive at once.
    void EnableTiming(int latencyMs, int packetBytes = 62);
    bool TimingEnabled() const { return m_adapter != nullptr; }

    // BoxEndpoint
    void AttachHost(Sink sink) override;
    void HostLineRate(qint32 baud) override;
    void HostDtr(bool raised) override;
    void HostBytes(const QByteArray& bytes) override;

    // As after a DTR pulse: boot loader, 57600 baud, supplies off, work dropped.
    void Reset();

    Mode CurrentMode() const { return m_mode; }
    qint32 LineRate() const { return m_boxBaud; }
    bool VddOn() const { return m_vddOn; }
    bool VppOn() const { return m_vppOn; }
    int Resets() const { return m_resets; }
    // Chip time (ns) the operations have taken since the box was made: erases and write cycles,
    // once per cycle however many sockets took part. With timing on, the box's replies wait for it.
    qint64 ChipTimeNs() const { return m_chipTimeNs; }
    // Where the firmware stands between two bytes (benchmarks replay a host's bytes through a box
    // to learn what each byte made the box do): no command, data or escape under way; an escape
    // byte waiting for its value; a transfer with its items and the items done so far.
    struct Progress {
        bool idle = true;
        bool escapePending = false;
        bool transfer = false;
        qint64 items = 0;
        qint64 itemsDone = 0;
    };
    Progress CurrentProgress() const;
    // The image bytes of the last complete download.
    const QByteArray& LastImage() const { return m_lastImage; }

    // Writes socketA.hex ... socketD.hex (sockets holding a chip) into dir, Intel HEX (INHX32).
    bool WriteMemoryDumps(const QString& dir, QString* error) const;

signals:
    void ResetDone();
    void OperationDone(quint8 operationCode, quint8 passingMask);
    // VDD or VPP was switched (on or off) by a command.
    void SuppliesSwitched(bool vddOn, bool vppOn);

private:
    enum class State {
        Idle,
        FrameCommand,
        FrameEnd,
        PayloadLength,
        Payload,
        Record,
        ParameterBlock,
        ModeByte,
        SendTransfer,
        ReadTransfer
    };

    void Receive(quint8 byte);
    void LoaderByte(quint8 byte);
    void DownloadByte(quint8 byte);
    void ApplicationByte(quint8 byte);
    void EscapeValue(quint8 value);
    void DataByte(quint8 byte);
    void StartCommand(quint8 command);
    void Execute();
    void FinishOperation();
    void AnswerReadRequest();
    void DropWork();
    // The chips work for the time the operation reports: replies queued so far leave first, the
    // later ones wait for the work (with timing on).
    void SpendChipTime();

    // Replies: Reply queues one byte for the host; CommandReply is a command's reply after its
    // echo, which an injected fault may replace (the command is then dropped).
    void Reply(quint8 byte);
    bool CommandReply(quint8 byte);
    void Flush();

    void AccumulateResults(const BoxOperation& op);
    QByteArray StatusReply();
    QByteArray StatusPoll();
    int VddReading() const;
    int VppReading() const;
    int NominalVpp() const;
    bool ReducedVppSelected() const;
    // Supplies switched off decay over the next queries (status polls and readings); a query
    // moves every decaying supply one step on.
    void SwitchVdd(bool on);
    void SwitchVpp(bool on);
    // Sets both supplies; a change is reported (SuppliesSwitched), whatever switched them.
    void SetSupplies(bool vdd, bool vpp);
    void SuppliesQueried();
    // Voltage faults the box notices at an operation's start, and idle voltage it notices when it
    // switches the supplies off for a test or a power-up; both land in byte 13 of the status reply.
    void NoteOperationSupplies();
    void NoteIdleSupplies();

    BoxIdentity m_identity;
    BoxFaults m_faults;
    std::array<std::unique_ptr<SimulatedChip>, BoxProtocol::SocketCount> m_chips;
    Sink m_sink;
    std::unique_ptr<SerialAdapterModel> m_adapter;

    qint32 m_boxBaud = BoxProtocol::NormalBaud;
    qint32 m_hostBaud = BoxProtocol::NormalBaud;
    bool m_dtr = false;
    int m_resets = 0;
    bool m_stageSilent = false; // the staged silence fault has struck since the last reset
    bool SilentAt(BoxFaults::Stage stage, qint64 bytesDone = 0);
    Mode m_mode = Mode::Loader;
    QByteArray m_loaderSequence;
    QByteArray m_download;
    QByteArray m_lastImage;
    QByteArray m_out;
    qint64 m_receivedSinceReset = 0;
    qint64 m_receivedTotal = 0;
    bool m_garbageDone = false;
    bool m_failureInjected = false; // the garbage byte was 'e' or 'f': drop the command

    // Application firmware.
    State m_state = State::Idle;
    bool m_escapePending = false;
    quint8 m_command = 0;
    bool m_commandDropped = false;
    bool m_commandReplied = false;
    int m_expected = 0;
    QByteArray m_buffer;
    QByteArray m_parameterBlock;
    QByteArray m_script;
    bool m_blockSinceScript = false;
    std::unique_ptr<BoxOperation> m_operation;
    qint64 m_transferDone = 0;
    qint64 m_chipTimeNs = 0;
    QByteArray m_readData;

    // Results since the window opened; a status read closes the window, the next operation opens
    // a new one.
    quint8 m_windowAddressed = 0;
    quint8 m_windowFailed = 0;
    std::array<quint32, BoxProtocol::SocketCount> m_failLocation{};
    bool m_windowClosed = true;

    // Supplies.
    bool m_vddOn = false;
    bool m_vppOn = false;
    bool m_selfPowered = false;
    quint8 m_voltageMode = 3;
    int m_rampStep = -1; // status polls into a power-up; -1 = none running
    int m_rampFirst = 5; // 5: VDD first, 6: VPP first
    int m_lastRaised = 0;
    int m_vddFall = 0; // queries until a switched-off supply reads its idle level
    int m_vppFall = 0;
    int m_vddFallFrom = 0; // the level a decaying supply had when it was switched off
    int m_vppFallFrom = 0;
    quint8 m_dropped = 0;     // supply fault bits of a supply that collapsed during an operation
    int m_operationsRun = 0;  // operations executed since the last reset
    quint8 m_voltageBits = 0; // byte 13 of the status reply, since the last status read
};
