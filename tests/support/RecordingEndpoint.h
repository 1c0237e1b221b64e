#pragma once

#include "BoxSimulator.h"
#include "core/link/BoxEndpoint.h"

// Passes the host's traffic on to a simulator while counting and keeping what the host sent.
// Header-only: only tests that link the simulator include it.
struct RecordingEndpoint : BoxEndpoint {
    BoxSimulator* box = nullptr;
    qint64 sent = 0;   // bytes the host sent
    QByteArray recent; // the bytes themselves, until a test clears them

    void AttachHost(Sink sink) override { box->AttachHost(std::move(sink)); }
    void HostLineRate(qint32 baud) override { box->HostLineRate(baud); }
    void HostDtr(bool raised) override { box->HostDtr(raised); }
    void HostBytes(const QByteArray& bytes) override
    {
        sent += bytes.size();
        recent += bytes;
        box->HostBytes(bytes);
    }
};
