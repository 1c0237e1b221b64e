#pragma once

#include <QString>
#include <QtGlobal>

// Program-wide flags shared by start-up, the engine and the option code.
struct ProgramFlags {
    bool ProgramReady = false;      // start-up has completed
    bool StartupInProgress = false; // the device list is being built; task commands do nothing
    bool AutoRunPending = false;    // the command line asked for an Auto Run (/A or /X)
    bool AutoRunArmed = true;       // the first idle call may start the Auto Run
    bool ExitOnErrors = false;      // /X: end after the Auto Run whatever its outcome
    bool MinimizeOnStartup = false; // /M
    bool FileFromCommandLine = false;
    bool ControlFileGiven = false; // the file named is a control file (".PXC")
    bool McuFromCommandLine = false;
    bool NoValidFile = false; // no usable HEX file is loaded
    bool StopRequested = false;
    bool TaskFailed = false;
    bool SettingsDirty = false;
    bool DeviceLoaded = false;   // a device profile was loaded by the current file load
    bool ProgramExiting = false; // the program ends: windows closed now keep their open flag
};

// The file the program works on. Reset as a whole when no file is usable.
struct CurrentFile {
    QString hexPath;
    QString controlPath;
    QString mcuName;
    qint64 hexTimeStamp = 0;  // modification time (ms since epoch) when last read; 0 = none
    int optionAccessMode = 1; // 1 normal, 2 option editing hidden by the control file

    void Reset()
    {
        hexPath.clear();
        controlPath.clear();
        mcuName.clear();
        hexTimeStamp = 0;
    }
};
