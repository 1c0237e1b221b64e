#include "Rfc2217Server.h"

#include "core/link/BoxEndpoint.h"
#include "core/link/Rfc2217.h"

#include <QTimer>

using namespace Rfc2217;

Rfc2217Server::Rfc2217Server(BoxEndpoint& endpoint, QObject* parent) : QObject(parent), m_endpoint(endpoint)
{
    connect(&m_server, &QTcpServer::newConnection, this, &Rfc2217Server::OnNewConnection);
}

Rfc2217Server::~Rfc2217Server()
{
    if (m_client)
        m_endpoint.AttachHost({});
}

bool Rfc2217Server::Listen(const QHostAddress& address, quint16 port, QString* error)
{
    if (!m_server.listen(address, port)) {
        if (error)
            *error = m_server.errorString();
        return false;
    }
    return true;
}

void Rfc2217Server::OnNewConnection()
{
    while (QTcpSocket* socket = m_server.nextPendingConnection()) {
        if (!m_client) {
            Adopt(socket);
            continue;
        }
        if (m_waiting) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        m_waiting = socket;
        connect(socket, &QTcpSocket::disconnected, this, &Rfc2217Server::OnDisconnected);
        QTimer::singleShot(HandOverMs, this, [this, socket] {
            if (m_waiting == socket && m_client) {
                m_waiting = nullptr;
                socket->abort();
            }
        });
    }
}

void Rfc2217Server::SettleWaiting()
{
    QTcpSocket* waiting = m_waiting;
    m_waiting = nullptr;
    if (!waiting)
        return;
    if (waiting->state() == QAbstractSocket::ConnectedState) {
        disconnect(waiting, &QTcpSocket::disconnected, this, &Rfc2217Server::OnDisconnected);
        Adopt(waiting);
        // Whatever the client sent while it waited is read now.
        if (waiting->bytesAvailable() > 0)
            QMetaObject::invokeMethod(this, &Rfc2217Server::OnReadyRead, Qt::QueuedConnection);
    } else {
        waiting->deleteLater();
    }
}

void Rfc2217Server::Adopt(QTcpSocket* socket)
{
    m_client = socket;
    m_client->setSocketOption(QAbstractSocket::LowDelayOption, 1);
    m_codec = TelnetCodec();
    m_options.Reset();
    m_comPort = false;
    m_dtr = false;
    connect(socket, &QTcpSocket::readyRead, this, &Rfc2217Server::OnReadyRead);
    connect(socket, &QTcpSocket::disconnected, this, &Rfc2217Server::OnDisconnected);
    QPointer<QTcpSocket> client = socket;
    m_endpoint.AttachHost([this, client](const QByteArray& bytes) {
        if (client && client == m_client)
            Send(TelnetCodec::EscapeData(bytes));
    });
    // Ask for a transparent 8-bit channel both ways.
    m_options.MarkBinaryOffered();
    Send(TelnetCodec::Option(Will, OptBinary) + TelnetCodec::Option(Do, OptBinary));
    emit ClientConnected();
}

void Rfc2217Server::OnDisconnected()
{
    auto* socket = qobject_cast<QTcpSocket*>(sender());
    if (socket && socket == m_waiting) {
        m_waiting = nullptr;
        socket->deleteLater();
        return;
    }
    if (socket && socket == m_client) {
        m_endpoint.AttachHost({});
        m_client = nullptr;
        emit ClientDisconnected();
    }
    if (socket)
        socket->deleteLater();
    SettleWaiting();
}

void Rfc2217Server::OnReadyRead()
{
    QTcpSocket* socket = m_client;
    if (!socket || (sender() && sender() != socket))
        return;
    for (const TelnetCodec::Event& e : m_codec.Feed(socket->readAll())) {
        switch (e.kind) {
        case TelnetCodec::Event::Kind::Data: m_endpoint.HostBytes(e.bytes); break;
        case TelnetCodec::Event::Kind::Option: HandleOption(e.verb, e.option); break;
        case TelnetCodec::Event::Kind::Subnegotiation:
            if (e.option == OptComPort)
                HandleComPort(e.bytes);
            break;
        case TelnetCodec::Event::Kind::Command: break;
        }
        if (!m_client)
            return;
    }
}

void Rfc2217Server::HandleOption(quint8 verb, quint8 option)
{
    if (verb == Will && option == OptComPort) {
        if (!m_comPort) {
            m_comPort = true;
            Send(TelnetCodec::Option(Do, option));
        }
        return;
    }
    const QByteArray answer = m_options.Answer(verb, option);
    if (!answer.isEmpty())
        Send(answer);
}

void Rfc2217Server::HandleComPort(const QByteArray& payload)
{
    if (payload.isEmpty())
        return;
    const quint8 command = quint8(payload[0]);
    const QByteArray value = payload.mid(1);
    switch (command) {
    case SetBaudRate: {
        if (value.size() >= 4) {
            const qint32 baud = qint32(quint32(quint8(value[0])) << 24 | quint32(quint8(value[1])) << 16 |
                                       quint32(quint8(value[2])) << 8 | quint32(quint8(value[3])));
            if (baud > 0) {
                m_baud = baud;
                m_endpoint.HostLineRate(baud);
            }
        }
        QByteArray rate(4, '\0');
        rate[0] = char(quint32(m_baud) >> 24);
        rate[1] = char(quint32(m_baud) >> 16);
        rate[2] = char(quint32(m_baud) >> 8);
        rate[3] = char(quint32(m_baud));
        Answer(command, rate);
        break;
    }
    case SetControl: {
        const quint8 control = value.isEmpty() ? 0 : quint8(value[0]);
        if (control == ControlDtrOn || control == ControlDtrOff) {
            m_dtr = control == ControlDtrOn;
            m_endpoint.HostDtr(m_dtr);
            Answer(command, QByteArray(1, char(control)));
        } else if (control == ControlDtrRequest) {
            Answer(command, QByteArray(1, char(m_dtr ? ControlDtrOn : ControlDtrOff)));
        } else {
            Answer(command, value.left(1));
        }
        break;
    }
    case SetDataSize:
    case SetParity:
    case SetStopSize:
    case PurgeData:
    case SetLineStateMask:
    case SetModemStateMask: Answer(command, value.left(1)); break;
    default: break;
    }
}

void Rfc2217Server::Answer(quint8 command, const QByteArray& value)
{
    Send(TelnetCodec::Subnegotiation(OptComPort, QByteArray(1, char(command + ServerOffset)) + value));
}

void Rfc2217Server::Send(const QByteArray& bytes)
{
    if (m_client && m_client->state() == QAbstractSocket::ConnectedState) {
        m_client->write(bytes);
        m_client->flush();
    }
}
