#include "core/link/Rfc2217Transport.h"

#include "core/link/EventWait.h"
#include "core/link/Rfc2217.h"

#include <QUrl>

using namespace Rfc2217;

Rfc2217Transport::Rfc2217Transport(const QString& target, QObject* parent) : SerialTransport(parent), m_target(target)
{
    connect(&m_socket, &QTcpSocket::readyRead, this, &Rfc2217Transport::OnReadyRead);
}

Rfc2217Transport::~Rfc2217Transport()
{
    Close();
}

bool Rfc2217Transport::ParseTarget(const QString& target, QString* host, quint16* port)
{
    const QUrl url(target);
    if (!url.isValid() || url.scheme().compare(QStringLiteral("rfc2217"), Qt::CaseInsensitive) != 0)
        return false;
    if (url.host().isEmpty() || url.port() <= 0)
        return false;
    if (host)
        *host = url.host();
    if (port)
        *port = quint16(url.port());
    return true;
}

bool Rfc2217Transport::Open(QString* systemText)
{
    QString host;
    quint16 port = 0;
    if (!ParseTarget(m_target, &host, &port)) {
        if (systemText)
            *systemText = QStringLiteral("The network path %1 is not of the form rfc2217://host:port.").arg(m_target);
        return false;
    }
    if (IsOpen())
        Close();
    m_received.clear();
    m_comPortAgreed = m_comPortRefused = false;
    m_options.Reset();
    m_confirmedBaud = 0;
    m_lineErrors = {};
    m_codec = TelnetCodec();

    m_socket.connectToHost(host, port);
    const bool connected = WaitForCondition(
        [this] {
            return m_socket.state() == QAbstractSocket::ConnectedState ||
                   m_socket.state() == QAbstractSocket::UnconnectedState;
        },
        ConnectTimeoutMs);
    if (!connected || m_socket.state() != QAbstractSocket::ConnectedState) {
        if (systemText)
            *systemText = m_socket.state() == QAbstractSocket::UnconnectedState
                              ? m_socket.errorString()
                              : QStringLiteral("The network serial port %1 did not answer.").arg(m_target);
        m_socket.abort();
        return false;
    }
    m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);

    QByteArray hello;
    hello += TelnetCodec::Option(Will, OptBinary);
    hello += TelnetCodec::Option(Do, OptBinary);
    hello += TelnetCodec::Option(Will, OptSuppressGoAhead);
    hello += TelnetCodec::Option(Do, OptSuppressGoAhead);
    hello += TelnetCodec::Option(Will, OptComPort);
    if (!SendRaw(hello, systemText)) {
        m_socket.abort();
        return false;
    }
    WaitForCondition([this] { return m_comPortAgreed || m_comPortRefused || !IsOpen(); }, ConnectTimeoutMs);
    if (!m_comPortAgreed) {
        // A device server whose port is taken typically accepts the connection and closes it.
        if (systemText)
            *systemText =
                IsOpen()
                    ? QStringLiteral("The server at %1 does not offer RFC 2217 serial port control.").arg(m_target)
                    : QStringLiteral("The server at %1 closed the connection; its port may be in use.").arg(m_target);
        m_socket.abort();
        return false;
    }
    return true;
}

bool Rfc2217Transport::Configure(qint32 baud, QString* systemText)
{
    if (!IsOpen()) {
        if (systemText)
            *systemText = QStringLiteral("The network serial port is not connected.");
        return false;
    }
    QByteArray rate(4, '\0');
    rate[0] = char(quint32(baud) >> 24);
    rate[1] = char(quint32(baud) >> 16);
    rate[2] = char(quint32(baud) >> 8);
    rate[3] = char(quint32(baud));
    m_confirmedBaud = 0;
    if (!SendComPort(SetBaudRate, rate, systemText) || !SendComPort(SetDataSize, QByteArray(1, char(8)), systemText) ||
        !SendComPort(SetParity, QByteArray(1, char(ParityNone)), systemText) ||
        !SendComPort(SetStopSize, QByteArray(1, char(StopOne)), systemText) ||
        !SendComPort(SetControl, QByteArray(1, char(ControlNoFlowControl)), systemText))
        return false;
    if (!WaitForCondition([this] { return m_confirmedBaud != 0 || !IsOpen(); }, ReplyTimeoutMs) ||
        m_confirmedBaud != baud) {
        if (systemText)
            *systemText = m_confirmedBaud == 0
                              ? QStringLiteral("The network serial port did not confirm the line settings.")
                              : QStringLiteral("The network serial port runs at %1 baud instead of %2.")
                                    .arg(m_confirmedBaud)
                                    .arg(baud);
        return false;
    }
    return true;
}

void Rfc2217Transport::Close()
{
    if (m_socket.state() != QAbstractSocket::UnconnectedState) {
        m_socket.flush();
        m_socket.disconnectFromHost();
        if (m_socket.state() != QAbstractSocket::UnconnectedState)
            m_socket.abort();
    }
    m_received.clear();
}

bool Rfc2217Transport::IsOpen() const
{
    return m_socket.state() == QAbstractSocket::ConnectedState;
}

bool Rfc2217Transport::Write(const QByteArray& bytes, QString* systemText)
{
    return SendRaw(TelnetCodec::EscapeData(bytes), systemText);
}

QByteArray Rfc2217Transport::Take(qint64 maxCount)
{
    const QByteArray out = m_received.left(maxCount);
    m_received.remove(0, out.size());
    return out;
}

bool Rfc2217Transport::Purge(bool receive, bool transmit, QString* systemText)
{
    if (!receive && !transmit)
        return true;
    if (receive)
        m_received.clear();
    const quint8 what = receive && transmit ? PurgeBoth : receive ? PurgeReceive : PurgeTransmit;
    return SendComPort(PurgeData, QByteArray(1, char(what)), systemText);
}

bool Rfc2217Transport::SetDtr(bool raised, QString* systemText)
{
    return SendComPort(SetControl, QByteArray(1, char(raised ? ControlDtrOn : ControlDtrOff)), systemText);
}

LineErrors Rfc2217Transport::TakeLineErrors(bool* queryOk)
{
    if (queryOk)
        *queryOk = IsOpen();
    const LineErrors errors = m_lineErrors;
    m_lineErrors = {};
    return errors;
}

void Rfc2217Transport::OnReadyRead()
{
    bool gotData = false;
    for (const TelnetCodec::Event& e : m_codec.Feed(m_socket.readAll())) {
        switch (e.kind) {
        case TelnetCodec::Event::Kind::Data:
            m_received += e.bytes;
            gotData = true;
            break;
        case TelnetCodec::Event::Kind::Option: HandleOption(e.verb, e.option); break;
        case TelnetCodec::Event::Kind::Subnegotiation:
            if (e.option == OptComPort)
                HandleComPort(e.bytes);
            break;
        case TelnetCodec::Event::Kind::Command: break;
        }
    }
    if (gotData)
        emit DataArrived();
}

void Rfc2217Transport::HandleOption(quint8 verb, quint8 option)
{
    // Agree once to binary mode and suppress-go-ahead both ways; refuse everything else.
    if (option == OptComPort) {
        if (verb == Do)
            m_comPortAgreed = true;
        else if (verb == Dont)
            m_comPortRefused = true;
        return;
    }
    const QByteArray answer = m_options.Answer(verb, option);
    if (!answer.isEmpty())
        SendRaw(answer, nullptr);
}

void Rfc2217Transport::HandleComPort(const QByteArray& payload)
{
    if (payload.isEmpty())
        return;
    const quint8 command = quint8(payload[0]);
    if (command == ServerOffset + SetBaudRate && payload.size() >= 5) {
        m_confirmedBaud = qint32(quint32(quint8(payload[1])) << 24 | quint32(quint8(payload[2])) << 16 |
                                 quint32(quint8(payload[3])) << 8 | quint32(quint8(payload[4])));
    } else if (command == ServerOffset + NotifyLineState && payload.size() >= 2) {
        const quint8 state = quint8(payload[1]);
        if (state & LineBreak)
            m_lineErrors |= LineError::Break;
        if (state & LineFraming)
            m_lineErrors |= LineError::Framing;
        if (state & LineParity)
            m_lineErrors |= LineError::Parity;
        if (state & LineOverrun)
            m_lineErrors |= LineError::Overrun;
    }
}

bool Rfc2217Transport::SendRaw(const QByteArray& bytes, QString* systemText)
{
    if (!IsOpen() || m_socket.write(bytes) != bytes.size()) {
        if (systemText)
            *systemText =
                IsOpen() ? m_socket.errorString() : QStringLiteral("The network serial port is not connected.");
        return false;
    }
    m_socket.flush();
    return true;
}

bool Rfc2217Transport::SendComPort(quint8 command, const QByteArray& value, QString* systemText)
{
    return SendRaw(TelnetCodec::Subnegotiation(OptComPort, QByteArray(1, char(command)) + value), systemText);
}
