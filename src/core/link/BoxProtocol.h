#pragma once

#include <QtGlobal>

// Every byte value of the programmer box's wire protocol, in one place. The host link and the box
// simulator both include this header; docs/box-operations.md describes the operations built on it.
namespace BoxProtocol {

// Line rates (8 data bits, no parity, 1 stop bit, no flow control).
constexpr qint32 NormalBaud = 57600; // after power-on and after every DTR pulse
constexpr qint32 HighBaud = 115200;  // after command HighSpeed, until the next reset

// Application firmware framing and replies.
constexpr quint8 FrameStart = 0x3C;  // '<'
constexpr quint8 FrameEnd = 0x3E;    // '>'
constexpr quint8 Ack = 0x38;         // '8': one per received byte
constexpr quint8 Done = 0x64;        // 'd': end of a command or of a transfer
constexpr quint8 Refused = 0x65;     // 'e': the box refused or failed the operation
constexpr quint8 Resync = 0x66;      // 'f': failed / resynchronised (answer to the abort escape)
constexpr quint8 BlockAck = 0x6B;    // 'k': one per 256 words of a long operation
constexpr quint8 ReadRequest = 0x72; // 'r': host asks for one data byte
constexpr quint8 VoltageError = 253; // programming-voltage error in place of an expected byte
constexpr quint8 AllFailed = 254;    // every selected device failed

// Escapes: Escape followed by one value byte. A data byte equal to Escape is sent twice.
constexpr quint8 Escape = 0x5C;     // '\'
constexpr quint8 EscAbort = 0xFF;   // unacknowledged; the box drops its work and answers 'f'
constexpr quint8 EscConfirm = 0x63; // 'c': power-up confirmation, answered with 'd'
constexpr quint8 EscPoll = 0x5E;    // '^': answered with the supply status and one reading
constexpr quint8 EscStop = 0x5D;    // ']': stop; nothing beyond the two acknowledgements

// Boot loader: three raw bytes '<' x '>', no acknowledgements.
constexpr quint8 LoaderIdentify = 0x49;    // 'I': firmware version, boot version (2 bytes each, LE)
constexpr quint8 LoaderLoad = 0x4C;        // 'L': answered 'L', then the image, each byte answered 'y'
constexpr quint8 LoaderRun = 0x52;         // 'R': answered 'f', then the application runs
constexpr quint8 LoaderReady = 0x4C;       // 'L'
constexpr quint8 ImageByteAccepted = 0x79; // 'y'

// Firmware images (docs/box-operations.md, "Firmware images").
constexpr int ImageWords = 1792;
constexpr quint16 ImageMarker = 0x5850; // word 0, the bytes "PX"

// Commands, sent as '<' number '>'.
enum Command : quint8 {
    CmdPayload = 0, // length byte + script bytes; or one record word (see the document)
    CmdExecute = 1,
    CmdParameterBlock = 2, // 19 bytes follow
    CmdReadVdd = 3,
    CmdReadVpp = 4,
    CmdVddOn = 5,
    CmdVppOn = 6,
    CmdVppOff = 8,
    CmdClearErrors = 9,
    CmdOperationPowerOn = 10,
    CmdPrepareVoltageTest = 11,
    CmdReadStatus = 12,         // 14 StatusReply bytes follow the echo
    CmdReadIdentification = 13, // echo only; four words follow as read requests
    CmdSocketFail = 14,
    CmdSocketPass = 15,
    CmdParallelMode = 16,
    CmdPowerUpVddFirst = 17,
    CmdPowerUpVppFirst = 18,
    CmdModificationDone = 19,
    CmdReadConfigVersion = 20,
    CmdHighSpeed = 21,
    CmdVddOff = 22,
    CmdTargetPowered = 23,
    CmdProgrammerPowered = 25,
    CmdVoltageMode = 26, // echo only; one data byte follows, answered '8' 'd'
    CommandCount = 27,
};

constexpr int ParameterBlockSize = 19;
constexpr int StatusReplySize = 14;
constexpr int IdentificationWords = 4;
constexpr int MaxPayload = 32;
constexpr int WordsPerBlockAck = 256;

// Parameter block byte positions.
enum ParameterByte : int {
    PbOperation = 0,
    PbPulse = 1,
    PbValueLow = 2, // 24-bit value, low byte first
    PbSocketOrdinals = 5,
    PbFailedOrdinals = 6,
    PbSocketMask = 7,
    PbCountRule = 8,
    PbItemUnit = 9,
    PbCount = 10,
    PbMaskLow = 11,
    PbMaskHigh = 12,
    PbBlockBytes = 13,
    PbEraseTime = 14,
    PbPanels = 17,
    PbFlags = 18,
};

// Flags (parameter byte 18).
constexpr quint8 FlagPanelWrite = 0x02;
constexpr quint8 FlagByteTransfer = 0x08;
constexpr quint8 FlagLongOperation = 0x10;
constexpr quint8 FlagWriteAll = 0x40; // clear: words equal to the erased value are not written

// Operation code (parameter byte 0): action in the high nibble, region in the low nibble.
enum Action : quint8 {
    ActNone = 0,
    ActErase = 1,
    ActBlankCheck = 2,
    ActProgram = 3,
    ActVerify = 4,
    ActRead = 5,
};
enum Region : quint8 {
    RegDevice = 0,
    RegCode = 1,
    RegEeData = 2,
    RegId = 3,
    RegConfig = 4,
    RegCalibration = 5,
    RegCalibrationBackup = 6,
};
constexpr quint8 OperationCode(Action action, Region region)
{
    return quint8(action << 4 | region);
}

// How the box derives start and count from bytes 2-4 (V) and byte 10 (C): parameter byte 8.
enum CountRule : quint8 {
    CountLastIndex = 0,    // items 0 .. V of the region
    CountPairs = 1,        // 2 (V + 1) items from the region start
    CountAtAddress = 2,    // V is the address of the first item; C items (0 = 256)
    CountEndingAt = 3,     // V is the address of the last item; C items (0 = 1)
    CountStartingAt = 4,   // V is the address of the first item; C items (0 = 1)
    CountSingleConfig = 5, // one configuration word, number C div 2 (odd C: its high byte only)
    CountWriteGroups = 6,  // V + 1 write groups from the region start (18X code, see WriteGroupWords)
};

// Words in one write group of an 18X program-memory write whose write block (parameter byte 13)
// is twice paw bytes: a quarter of paw, one word for a block of 8 to 15 bytes, and four words
// for a block below 8 bytes. Bytes 2-4 of that write hold the number of groups minus 1
// (CountWriteGroups), so the host and the box read the count the same way.
constexpr int WriteGroupWords(int paw)
{
    return paw < 4 ? 4 : paw / 4;
}

// Wire form of one item: parameter byte 9.
enum ItemUnit : quint8 {
    UnitWord = 0,       // two bytes, low first
    UnitByte = 1,       // one byte
    UnitConfigWord = 2, // value (2 bytes) and, when more than one word moves, its mask (2 bytes)
};

// Script bytes (payload of command 0).
constexpr quint8 ScriptFamily5X = 0x05;
constexpr quint8 ScriptFamilyXX = 0x14;
constexpr quint8 ScriptFamily18X = 0x18;
constexpr quint8 ScriptAddressMarker = 0x93; // next three bytes: start address, high byte first

// Record words carried by a command 0 that does not follow a parameter block.
constexpr quint8 RecordModification = 0x07; // low byte: the modification byte to keep
constexpr quint8 RecordDualVpp = 0x06;      // low byte: bits ORed into the modification byte

// Socket bits as the box numbers them, and their order A, B, C, D.
constexpr quint8 SocketA = 0x40;
constexpr quint8 SocketB = 0x10;
constexpr quint8 SocketC = 0x04;
constexpr quint8 SocketD = 0x01;
constexpr int SocketCount = 4;
constexpr quint8 SocketBit(int socket)
{
    return quint8(0x40 >> (2 * socket));
}

// Supply status (status poll) bits.
constexpr quint8 SupplyVddLow = 0x01;
constexpr quint8 SupplyVddHigh = 0x02;
constexpr quint8 SupplyVddNotRising = 0x04;
constexpr quint8 SupplyVppLow = 0x08;
constexpr quint8 SupplyVppHigh = 0x10;
constexpr quint8 SupplyVppNotRising = 0x20;
constexpr quint8 SupplyReadingIsVdd = 0x40;
constexpr quint8 SupplyReadingIsVpp = 0x80;

// Supply readings are in 1/16 V.
constexpr int ReadingPerVolt = 16;

} // namespace BoxProtocol
