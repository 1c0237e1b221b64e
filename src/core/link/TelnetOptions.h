#pragma once

#include "core/link/Rfc2217.h"
#include "core/link/TelnetCodec.h"

#include <QByteArray>

// The Telnet options both ends of an RFC 2217 link agree to: binary mode and suppress-go-ahead,
// each way, each answered once (so two ends that both agree do not echo agreements forever);
// every other option a peer offers or asks for is refused. The COM port option itself is the
// caller's business.
class TelnetOptions
{
public:
    void Reset() { *this = TelnetOptions{}; }
    // This end has already offered WILL BINARY and DO BINARY: the peer's agreement needs no answer.
    void MarkBinaryOffered() { m_localBinary = m_remoteBinary = true; }

    // The bytes to send in answer to the peer's verb (WILL, WONT, DO, DONT) for option; empty
    // when nothing is to be sent.
    QByteArray Answer(quint8 verb, quint8 option)
    {
        using namespace Rfc2217;
        if (option == OptBinary && verb == Do)
            return Agree(m_localBinary, Will, option);
        if (option == OptBinary && verb == Will)
            return Agree(m_remoteBinary, Do, option);
        if (option == OptSuppressGoAhead && verb == Do)
            return Agree(m_localSga, Will, option);
        if (option == OptSuppressGoAhead && verb == Will)
            return Agree(m_remoteSga, Do, option);
        if (verb == Do)
            return TelnetCodec::Option(Wont, option);
        if (verb == Will)
            return TelnetCodec::Option(Dont, option);
        return {};
    }

private:
    static QByteArray Agree(bool& agreed, quint8 reply, quint8 option)
    {
        if (agreed)
            return {};
        agreed = true;
        return TelnetCodec::Option(reply, option);
    }

    bool m_localBinary = false;
    bool m_remoteBinary = false;
    bool m_localSga = false;
    bool m_remoteSga = false;
};
