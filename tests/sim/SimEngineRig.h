#pragma once

#include "BoxSimulator.h"
#include "ChipGeometry.h"
#include "RecordingEndpoint.h"
#include "ScriptedOperator.h"
#include "TestPaths.h"
#include "core/app/Engine.h"
#include "core/context/AppContext.h"
#include "core/devices/DeviceProfileLoader.h"
#include "core/devices/DeviceSelection.h"
#include "core/link/LinkClock.h"
#include "core/link/LinkPort.h"
#include "core/link/ProgrammerLink.h"

#include <functional>

// The program's engine on a context with the shipped support files, talking to the in-process
// box simulator over a loopback port, with `chips` chips of device in sockets A onwards and the
// programmer reset. prepare runs after the device is loaded and before the reset (options, for
// example).
template <class Endpoint = RecordingEndpoint> struct SimEngineRig {
    SimEngineRig(const QString& device, int chips, const std::function<void(AppContext&)>& prepare = {})
        : ctx(op, TestPaths::ShippedData()), link(ctx), engine(ctx, link)
    {
        ctx.SetLink(&link);
        ctx.Support().versionText = QStringLiteral("280");
        ctx.Flags().AutoRunArmed = false;
        endpoint.box = &box;
        link.Factory().RegisterLoopback(QStringLiteral("box"), &endpoint);
        link.Port().SetPortResolver([](int) { return QStringLiteral("loop://box"); });
        // The link's own pauses and watchdog, on a clock that skips the waiting.
        link.Port().SetClock(clock);
        engine.Install();
        BuildDeviceList(ctx);
        SelectDeviceByName(ctx, device);
        LoadDeviceProfile(ctx);
        if (prepare)
            prepare(ctx);
        QString error;
        if (!ChipGeometry::Load(TestPaths::ShippedData() + QStringLiteral("PXMCU.TBL"), device, &geometry, &error))
            qFatal("%s", qPrintable(error));
        for (int s = 0; s < chips; ++s)
            box.InsertChip(s, std::make_unique<SimulatedChip>(geometry));
        link.ResetProgrammer();
    }

    SteppedLinkClock clock; // outlives the link that measures its waits on it
    ScriptedOperator op;
    AppContext ctx;
    BoxSimulator box;
    Endpoint endpoint;
    ProgrammerLink link;
    Engine engine;
    ChipGeometry geometry;
};
