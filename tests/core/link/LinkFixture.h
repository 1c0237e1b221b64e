#pragma once

#include "BoxSimulator.h"
#include "ScriptedOperator.h"
#include "core/context/HistoryLog.h"
#include "core/context/ProgramFlags.h"
#include "core/link/BoxLink.h"
#include "core/link/LinkClock.h"
#include "core/link/LinkErrorWord.h"
#include "core/link/LinkPort.h"
#include "core/link/LinkProgress.h"
#include "core/link/PortFactory.h"
#include "core/model/OptionTable.h"

#include <QByteArray>

// A host link wired to an in-process simulator, with a tap on both directions of the line.
// The port is opened at 57600 without running the boot loader exchange, and the application
// firmware is started, so tests begin in command mode with an empty error word.
struct LinkFixture {
    // Sits between the loopback transport and the simulator and records what crosses.
    struct Tap : BoxEndpoint {
        QByteArray* sent = nullptr;
        QByteArray* received = nullptr;
        BoxSimulator* box = nullptr;
        Sink host;
        void AttachHost(Sink sink) override
        {
            host = std::move(sink);
            box->AttachHost([this](const QByteArray& bytes) {
                *received += bytes;
                if (host)
                    host(bytes);
            });
        }
        void HostLineRate(qint32 baud) override { box->HostLineRate(baud); }
        void HostDtr(bool raised) override { box->HostDtr(raised); }
        void HostBytes(const QByteArray& bytes) override
        {
            *sent += bytes;
            box->HostBytes(bytes);
        }
    };

    ProgramFlags flags;
    HistoryLog history;
    ScriptedOperator op;
    OptionTable options;
    PortFactory factory;
    BoxSimulator box;
    Tap tap;
    LinkProgress progress;
    int exitCode = 0;
    LinkErrorWord errors{flags, [this](int code) { exitCode = code; }};
    SteppedLinkClock clock;
    LinkPort port{history, op, flags, factory};
    BoxLink link{port, errors, flags, options, progress};
    QByteArray sent;     // host -> box since the last Clear
    QByteArray received; // box -> host since the last Clear

    LinkFixture()
    {
        errors.SetHardFaultHandler([this] { port.SetProgrammerReady(false); });
        tap.sent = &sent;
        tap.received = &received;
        tap.box = &box;
        factory.RegisterLoopback(QStringLiteral("box"), &tap);
        port.SetClock(clock);
    }

    // Opens the port (which pulses DTR) and starts the firmware with '<' 'R' '>'.
    bool OpenAndRun()
    {
        if (port.OpenTarget(QStringLiteral("loop://box"), QStringLiteral("57600")))
            return false;
        link.ClearProtocolState();
        link.SendRaw('<', false, 0);
        link.SendRaw('R', false, 0);
        link.SendRaw('>', true, BoxLink::ClassResync);
        link.WaitAllReplies();
        Clear();
        return errors.Word() == 0 && box.CurrentMode() == BoxSimulator::Mode::Application;
    }

    void Clear()
    {
        sent.clear();
        received.clear();
    }

    static QByteArray Hex(const char* text) { return QByteArray::fromHex(text); }
};
