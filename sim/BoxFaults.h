#pragma once

#include <QMap>
#include <QtGlobal>

// Failures the simulated box can be told to show (praxon-boxsim options of the same names).
struct BoxFaults {
    // After this many received bytes (counted from the last reset) the box sends nothing until
    // the next reset; -1 = never.
    qint64 silentAfter = -1;
    // A box that falls silent at one stage of a session, until the next reset: in the boot loader,
    // after silentStageBytes bytes of the firmware download, when the loader is told to start the
    // application firmware (the end of the reset: no 'f', no identification), on the speed change
    // (command 21), after silentStageBytes bytes of a program transfer, or after silentStageBytes
    // bytes of a read transfer. It still takes the host's commands (the supplies still switch off).
    enum class Stage { None, Loader, Download, Reset, SpeedChange, Program, Read };
    Stage silentStage = Stage::None;
    qint64 silentStageBytes = 16;
    // The first reply byte after this many received bytes (counted from start) is replaced by
    // garbageByte, once; -1 = never.
    qint64 garbageAfter = -1;
    quint8 garbageByte = 0xA5;
    // Command number -> the byte ('e', 'f', 253, 254, ...) that replaces the command's first
    // reply after its echo; the command is then dropped.
    QMap<int, quint8> replyFaults;
    // Supply fault bits (VDD low, high, not rising, MCLR low, high, not rising): readings out of
    // range while the supply is on, and the bits in every status poll.
    quint8 supplyFaults = 0;
    // Voltage error bits reported in byte 13 of the status reply.
    quint8 statusVoltageBits = 0;
    // Readings (1/16 V) of switched-off supplies: above 13 the host sees a supply that will not
    // turn off (voltage on VDD, MCLR not pulled low).
    int vddIdle = 0;
    int vppIdle = 0;
    // Readings (1/16 V) of switched-on supplies that the box itself does not flag (a regulator
    // set wrong): no fault bit in the status polls or in byte 13, 0 = the nominal level.
    int vddLevel = 0;
    int vppLevel = 0;
    // The VPP reading (1/16 V) while the reduced range is selected, unflagged like vppLevel and
    // taking its place there; 0 = the reduced range's nominal level (or vppLevel when given).
    int vppReducedLevel = 0;
    // A supply that collapses during an operation: SupplyVddLow (VDD) or SupplyVppLow (MCLR),
    // 0 = none. From the dropAtOperation-th operation after a reset (1 = the first) the supply
    // reads its too-low level, the operation changes no chip and its sockets fail, and the bit
    // shows in status polls and in byte 13 of the status reply until the supply is switched off.
    quint8 dropDuringOperation = 0;
    // Supplies that rise slowly: each shows half its level on the first poll of a power-up, so
    // the host has to wait for it (a target with a large load). A box at rest reaches each level
    // by the first poll, which lets the host program several sockets at once.
    bool slowRise = false;
    int dropAtOperation = 1;
};
