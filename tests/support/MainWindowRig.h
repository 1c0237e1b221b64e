#pragma once

#include "ScriptedOperator.h"
#include "TestPaths.h"
#include "core/app/AppShell.h"
#include "core/app/Engine.h"
#include "core/context/AppContext.h"
#include "core/devices/DeviceProfileLoader.h"
#include "core/devices/DeviceSelection.h"
#include "core/link/ProgrammerLink.h"
#include "gui/app/TPXmain.h"

// The main window on the shipped device table with the 16F877A selected and its profile loaded,
// with the shell, the engine and a link to no box. Each test wires the command sets it looks at.
struct MainWindowRig {
    ScriptedOperator op;
    AppContext ctx{op, TestPaths::ShippedData()};
    ProgrammerLink link{ctx};
    AppShell shell{ctx};
    Engine engine{ctx, link};
    TPXmain window{ctx};

    MainWindowRig()
    {
        ctx.SetLink(&link);
        BuildDeviceList(ctx);
        SelectDeviceByName(ctx, QStringLiteral("16F877A"));
        LoadDeviceProfile(ctx);
    }
};
