#pragma once

#include <QtGlobal>

// Telnet (RFC 854/856/858) and Telnet COM Port Control (RFC 2217) values, for the network serial
// port client and the simulator's server.
namespace Rfc2217 {

constexpr quint8 Iac = 255;
constexpr quint8 Dont = 254;
constexpr quint8 Do = 253;
constexpr quint8 Wont = 252;
constexpr quint8 Will = 251;
constexpr quint8 Sb = 250;
constexpr quint8 Se = 240;
constexpr quint8 Nop = 241;

constexpr quint8 OptBinary = 0;
constexpr quint8 OptEcho = 1;
constexpr quint8 OptSuppressGoAhead = 3;
constexpr quint8 OptComPort = 44;

// Client-to-server sub-commands; the server answers with the same code plus ServerOffset.
constexpr quint8 SetBaudRate = 1; // 4 bytes, network order; 0 asks for the current rate
constexpr quint8 SetDataSize = 2; // 1 byte
constexpr quint8 SetParity = 3;   // 1 = none
constexpr quint8 SetStopSize = 4; // 1 = one stop bit
constexpr quint8 SetControl = 5;
constexpr quint8 NotifyLineState = 6;
constexpr quint8 NotifyModemState = 7;
constexpr quint8 FlowControlSuspend = 8;
constexpr quint8 FlowControlResume = 9;
constexpr quint8 SetLineStateMask = 10;
constexpr quint8 SetModemStateMask = 11;
constexpr quint8 PurgeData = 12;
constexpr quint8 ServerOffset = 100;

// SET-CONTROL values.
constexpr quint8 ControlNoFlowControl = 1;
constexpr quint8 ControlDtrRequest = 7;
constexpr quint8 ControlDtrOn = 8;
constexpr quint8 ControlDtrOff = 9;
constexpr quint8 ControlRtsOn = 11;
constexpr quint8 ControlRtsOff = 12;

constexpr quint8 ParityNone = 1;
constexpr quint8 StopOne = 1;

// PURGE-DATA values.
constexpr quint8 PurgeReceive = 1;
constexpr quint8 PurgeTransmit = 2;
constexpr quint8 PurgeBoth = 3;

// NOTIFY-LINESTATE bits.
constexpr quint8 LineBreak = 0x10;
constexpr quint8 LineFraming = 0x08;
constexpr quint8 LineParity = 0x04;
constexpr quint8 LineOverrun = 0x02;

} // namespace Rfc2217
