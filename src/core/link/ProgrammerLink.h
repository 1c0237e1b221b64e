#pragma once

#include "core/context/OperatorInterface.h"
#include "core/link/BoxLink.h"
#include "core/link/LinkErrorWord.h"
#include "core/link/LinkPort.h"
#include "core/link/LinkProgress.h"
#include "core/link/LinkStatus.h"
#include "core/link/PortFactory.h"
#include "core/link/ProgrammerIdentity.h"

#include <QObject>
#include <QString>
#include <array>
#include <functional>

class AppContext;

// The programmer link as the program uses it: owns the port, the protocol, the error word, the
// programmer's identity and the status window state, and runs the reset (with the link speed
// negotiation) and the firmware synchronisation that follows every reset of the box.
// Sources: ProgrammerLink.cpp (set-up, reports), ProgrammerReset.cpp, FirmwareSync.cpp.
class ProgrammerLink : public QObject
{
    Q_OBJECT
public:
    // What the link asks of the engine and the windows; every default is harmless.
    struct Hooks {
        std::function<void()> resetRunState;       // clears run state, StopRequested, error word
        std::function<bool()> cycleRunning;        // a programming cycle is in progress
        std::function<quint8()> enabledSockets;    // box socket bits switched on
        std::function<bool()> poweredForOperation; // selects the "during operation" wordings
        std::function<void(bool)> busyMode;        // enter (true) / leave the busy mode
        std::function<void()> afterReset;          // repaint the task tree, refresh reports
    };

    ProgrammerLink(AppContext& ctx, QObject* parent = nullptr);
    ~ProgrammerLink() override;

    Hooks& GetHooks() { return m_hooks; }
    PortFactory& Factory() { return m_factory; }
    LinkPort& Port() { return m_port; }
    BoxLink& Box() { return m_link; }
    LinkErrorWord& Errors() { return m_errors; }
    LinkProgress& Progress() { return m_progress; }
    LinkStatus& Status() { return m_status; }
    ProgrammerIdentity& Identity() { return m_identity; }

    // --- reset and link speed (ProgrammerReset.cpp) ---
    void ResetProgrammer();
    void NegotiateSpeed();
    void ResetCommand();
    void ReportReset(const QString& text, bool ok);
    // A run that ends with the link broken (bad data, no answer) cannot switch the target off by
    // command: pulse DTR so the box restarts with its supplies off, and log that it did.
    void ResetAfterLinkError();
    void SynchronizeFirmwareCommand();
    // The port list selected another port: reset the programmer there and report.
    void PortChangedCommand();
    // "Clear Leds": reset (which clears every error mark), report, then clear the box's errors.
    void ClearLedsCommand();
    void ShowStatus(bool show, int index);
    QString PortName() const;
    int PortNumber() const;
    const QString& LastPortErrorText() const { return m_portErrorText; }

    // --- firmware synchronisation (FirmwareSync.cpp) ---
    void FirmwareHandshake();
    void FirmwareUpdate();
    void DownloadImage();
    void SendImageWord(quint16 word);
    bool ReadConfigVersion();
    void ReadIdentification();
    bool CompareIdentification();
    void DecodeHardwareWord(quint16 word);
    bool HardwareModificationNotice();
    void MarkHardwareNotAvailable();

    // The firmware version the templates were made for (0 = unknown), the letter of the image the
    // selected device needs, and the image file for them.
    quint16 ExpectedFirmwareVersion() const;
    QChar ExpectedConfigLetter() const;
    QString ImageFileName() const;

    bool FirmwareSyncRequested() const { return m_firmwareSyncRequested; }
    void SetFirmwareSyncRequested(bool on) { m_firmwareSyncRequested = on; }
    bool ConfigurationNeeded() const { return m_configurationNeeded; }
    void SetConfigurationNeeded(bool on) { m_configurationNeeded = on; }
    const std::array<quint16, 4>& IdentificationWords() const { return m_identification; }

    // The report of the link error word (history lines and message boxes); returns StopRequested.
    bool ReportErrors();

private:
    void ResetRunState();
    bool ShowNotice(const NoticeRequest& request);
    // The handshake would start a second download within one reset: fail the reset instead.
    void UpdateDidNotTakeEffect();

    AppContext& m_ctx;
    Hooks m_hooks;
    PortFactory m_factory;
    LinkProgress m_progress;
    LinkStatus m_status;
    ProgrammerIdentity m_identity;
    LinkErrorWord m_errors;
    LinkPort m_port;
    BoxLink m_link;
    std::array<quint16, 4> m_identification{};
    bool m_firmwareSyncRequested = false;
    bool m_configurationNeeded = false;
    // A reset downloads at most one image: the reset that follows a download runs nested inside
    // it, and a box that still reports the wrong version then must not be loaded again.
    int m_resetDepth = 0;
    bool m_imageDownloaded = false;
    QString m_portErrorText;
};
