#pragma once

// What the port layer tells the rest of the link, and asks of it. The link's protocol state,
// its error word and the firmware handshake live above the port; they plug in here. Every
// default does nothing, so the port layer also works on its own (tools, tests).
class LinkPortHooks
{
public:
    virtual ~LinkPortHooks() = default;

    // A port was opened and configured: the whole link error word is cleared.
    virtual void PortOpened() {}
    // The port was closed (also before every open): error bit 1, the port error, is recorded.
    virtual void PortClosed() {}
    // HardwareReset, while the programmer was ready: clear the link error word.
    virtual void ClearErrorWord() {}
    // Empty the expectation queue and the receive data, zero the in-flight count.
    virtual void ResetLinkState() {}
    virtual void MarkHardwareNotAvailable() {}
    // The boot loader exchange that follows every DTR pulse.
    virtual void FirmwareHandshake() {}
    // A write starts the reply watchdog (a running one keeps running); a failed write stops it.
    virtual void WriteStarted() {}
    virtual void WriteFailed() {}
    virtual bool StopRequested() const { return false; }
};
