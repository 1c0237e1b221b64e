// The command set: frames, commands with their reply patterns, bulk transfers with progress
// bookkeeping, and the status reply.
#include "core/context/ProgramFlags.h"
#include "core/link/BoxLink.h"
#include "core/link/BoxProtocol.h"
#include "core/link/LinkErrorWord.h"
#include "core/link/LinkPort.h"
#include "core/link/LinkProgress.h"

using Bit = LinkErrorWord::Bit;

void BoxLink::SendCommandFrame(quint8 cmd)
{
    // '<' cmd '>': each byte acknowledged, the last one also echoed with the command number.
    SendFramed(BoxProtocol::FrameStart, false, 0);
    if (LinkHealthy())
        SendFramed(cmd, false, 0);
    if (LinkHealthy())
        SendFramed(BoxProtocol::FrameEnd, true, cmd);
}

bool BoxLink::Command(quint8 cmd, bool completion)
{
    if (LinkHealthy()) {
        SendCommandFrame(cmd);
        if (completion && LinkHealthy())
            Expect(ClassDone);
        WaitAllReplies();
    }
    return m_flags.StopRequested;
}

bool BoxLink::CommandWithReplies(quint8 cmd, quint8 replyClass, int n, bool completion)
{
    m_blockCounter = 0;
    m_progress.SetupProgress(n);
    if (LinkHealthy()) {
        SendCommandFrame(cmd);
        // A long execute expects one class per 256 words; Expect waits for queue space, so a
        // count larger than the queue is taken in parts as the box answers.
        for (int i = 0; i < n && LinkHealthy(); ++i)
            Expect(replyClass);
        if (completion && LinkHealthy())
            Expect(ClassDone);
        WaitAllReplies();
    }
    return m_flags.StopRequested;
}

bool BoxLink::SendBlock(quint8 cmd, const quint8* bytes, int count, bool withLength)
{
    if (Command(cmd, false))
        return true;
    if (withLength)
        SendData(quint8(count));
    for (int i = 0; i < count; ++i)
        SendData(bytes[i]);
    // A box that failed the block mid-way dropped it: no completion is coming.
    if (m_flags.StopRequested)
        return true;
    Expect(ClassDone);
    WaitAllReplies();
    return m_flags.StopRequested;
}

bool BoxLink::SendOperationSetup(quint8* parameterBlock, const quint8* payload, int payloadLength, bool withLength,
                                 bool keepSkip)
{
    quint8& flags = parameterBlock[BoxProtocol::PbFlags];
    if (keepSkip)
        flags &= quint8(~BoxProtocol::FlagWriteAll);
    else
        flags |= BoxProtocol::FlagWriteAll;
    if (flags & BoxProtocol::FlagLongOperation)
        parameterBlock[BoxProtocol::PbCount] = 0xFF;
    if (!m_flags.StopRequested)
        SendBlock(BoxProtocol::CmdParameterBlock, parameterBlock, BoxProtocol::ParameterBlockSize, false);
    if (!m_flags.StopRequested)
        SendBlock(BoxProtocol::CmdPayload, payload, payloadLength, withLength);
    return m_flags.StopRequested;
}

// After every progress step of items: advance the bar and drain every reply, which bounds the
// data in flight to one step.
void BoxLink::BulkStep(int& sinceStep)
{
    if (++sinceStep < m_progress.Step())
        return;
    sinceStep = 0;
    m_progress.AdvanceProgress(m_progress.Increment());
    WaitAllReplies();
}

// The end of every bulk transfer: drain the replies; a transfer that stopped also ends the pause.
void BoxLink::FinishBulk()
{
    WaitAllReplies();
    if (m_flags.StopRequested)
        m_port.StopPause();
}

// Every bulk transfer moves its first item before it looks at the count, so a count of 0 or less
// still moves one item.

bool BoxLink::SendWords(quint16 mask, const quint16* words, int count)
{
    m_progress.SetupProgress(count);
    int sinceStep = 0;
    int i = 0;
    do {
        const quint16 w = words[i] & mask;
        const bool last = i + 1 >= count;
        SendData(quint8(w & 0xFF));
        SendData(quint8(w >> 8), last, ClassDone);
        BulkStep(sinceStep);
        ++i;
    } while (i < count && !m_flags.StopRequested);
    FinishBulk();
    return m_flags.StopRequested;
}

bool BoxLink::SendPanelWords(quint16 mask, const quint16* words, int start, int panels, int count, int panelSize,
                             int wordsPerWrite)
{
    // Words go out one write group per panel in turn: offset o, then o + W, ... each visiting
    // panels 0..panels-1 at o + f * P. The count-th word sent carries the 'd'; the transfer ends
    // after the pass over all panels in which it went out.
    const int p = panelSize / 2;
    const int w = qMax(1, wordsPerWrite);
    m_progress.SetupProgress(count);
    int sinceStep = 0;
    int sent = 0;
    for (int o = start;; o += w) {
        for (int f = 0; f < panels && !m_flags.StopRequested; ++f) {
            for (int l = 0; l < w && !m_flags.StopRequested; ++l) {
                const quint16 word = words[o + f * p + l] & mask;
                ++sent;
                SendData(quint8(word & 0xFF));
                SendData(quint8(word >> 8), sent == count, ClassDone);
                BulkStep(sinceStep);
            }
        }
        if (sent >= count || m_flags.StopRequested)
            break;
    }
    FinishBulk();
    return m_flags.StopRequested;
}

bool BoxLink::SendBytes(const quint16* words, int count)
{
    m_progress.SetupProgress(count);
    int sinceStep = 0;
    int i = 0;
    do {
        const bool last = i + 1 == count;
        SendData(quint8(words[i] & 0xFF), last, ClassDone);
        BulkStep(sinceStep);
        ++i;
    } while (i < count && !m_flags.StopRequested);
    FinishBulk();
    return m_flags.StopRequested;
}

bool BoxLink::SendConfigWords(const quint16* words, const quint16* masks, int count, int cfgWords)
{
    m_progress.SetupProgress(count);
    int sinceStep = 0;
    int i = 0;
    do {
        const bool last = i + 1 >= count;
        const quint16 m = masks[i];
        const quint16 w = words[i] & m;
        if (cfgWords > 1) {
            SendData(quint8(w & 0xFF));
            SendData(quint8(w >> 8));
            SendData(quint8(m & 0xFF));
            SendData(quint8(m >> 8), last, ClassDone);
        } else {
            SendData(quint8(w & 0xFF));
            SendData(quint8(w >> 8), last, ClassDone);
        }
        BulkStep(sinceStep);
        ++i;
    } while (i < count && !m_flags.StopRequested);
    FinishBulk();
    return m_flags.StopRequested;
}

bool BoxLink::SendWord(quint16 word)
{
    SendData(quint8(word & 0xFF));
    SendData(quint8(word >> 8), true, ClassDone);
    FinishBulk();
    return m_flags.StopRequested;
}

// The reads keep the window full: the requests ('r', each answered by '8' and one data byte) run
// ahead of the data they fetch, up to 16 unacknowledged and never past the end of the current
// progress step, whose drain bounds the data in flight. The bytes and their order on the wire are
// those of requesting and reading one item after the other; only the waiting differs.

void BoxLink::IssueReads(ReadAhead& reads)
{
    while (reads.issued < reads.limit && m_inFlight < Window && !m_flags.StopRequested) {
        ++reads.issued;
        SendRead(reads.doneOnLast && reads.issued == reads.total);
    }
}

quint8 BoxLink::ReadAheadByte(ReadAhead& reads)
{
    IssueReads(reads);
    WaitData([this, &reads] { IssueReads(reads); });
    return TakeByte();
}

bool BoxLink::ReadWords(quint16* words, int count)
{
    m_progress.SetupProgress(count);
    const int n = qMax(1, count);
    ReadAhead reads{2 * n, 0, 0, true};
    int sinceStep = 0;
    int i = 0;
    do {
        reads.limit = 2 * qMin(n, i + m_progress.Step() - sinceStep);
        const quint8 low = ReadAheadByte(reads);
        words[i] = m_flags.StopRequested ? 0 : quint16(low | ReadAheadByte(reads) << 8);
        BulkStep(sinceStep);
        ++i;
    } while (i < count && !m_flags.StopRequested);
    FinishBulk();
    return m_flags.StopRequested;
}

bool BoxLink::ReadBytes(quint16* elements, int count)
{
    // A count of 0 or less still reads one pair, without the 'd'.
    m_progress.SetupProgress(count);
    const int n = qMax(1, count);
    ReadAhead reads{2 * n, 0, 0, count >= 1};
    int sinceStep = 0;
    int i = 0;
    do {
        reads.limit = 2 * qMin(n, i + m_progress.Step() - sinceStep);
        elements[2 * i] = ReadAheadByte(reads);
        elements[2 * i + 1] = ReadAheadByte(reads);
        BulkStep(sinceStep);
        ++i;
    } while (i < count && !m_flags.StopRequested);
    FinishBulk();
    return m_flags.StopRequested;
}

bool BoxLink::ReadResults(quint8& passingSockets, quint8 selectedSockets)
{
    m_statusCount = 0;
    if (!m_port.ProgrammerReady()) {
        passingSockets = 0;
        return m_flags.StopRequested;
    }
    CommandWithReplies(BoxProtocol::CmdReadStatus, ClassStatusReply, BoxProtocol::StatusReplySize, true);
    if (m_port.ProgrammerReady()) {
        passingSockets &= m_statusReply[12];
        m_progress.Fill();
    } else {
        passingSockets = 0;
    }
    if (m_statusReply[13] != 0)
        m_errors.RecordError(quint64(m_statusReply[13]) << 8);
    if ((selectedSockets & passingSockets) != selectedSockets)
        m_errors.RecordError(Bit::TaskFailed);
    return m_flags.StopRequested;
}
