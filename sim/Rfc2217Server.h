#pragma once

#include "core/link/TelnetCodec.h"
#include "core/link/TelnetOptions.h"

#include <QHostAddress>
#include <QObject>
#include <QPointer>
#include <QTcpServer>
#include <QTcpSocket>

class BoxEndpoint;

// Serves a box endpoint as a network serial port (RFC 2217), like a serial device server with
// the box on its line: the client's baud rate, DTR changes, purges and data reach the box, the
// box's bytes go back with 0xFF doubled. One client at a time: a connection that arrives while
// another is open waits a moment (a host that closes and at once reopens the port may connect
// before its old connection's close has been seen) and takes over if the old one closes in that
// time; otherwise it is closed. Every COM-PORT-OPTION request is answered with the value in force,
// as clients expect.
class Rfc2217Server : public QObject
{
    Q_OBJECT
public:
    explicit Rfc2217Server(BoxEndpoint& endpoint, QObject* parent = nullptr);
    ~Rfc2217Server() override;

    bool Listen(const QHostAddress& address, quint16 port, QString* error);
    quint16 Port() const { return m_server.serverPort(); }
    bool HasClient() const { return m_client != nullptr; }

signals:
    void ClientConnected();
    void ClientDisconnected();

private:
    static constexpr int HandOverMs = 500;

    void OnNewConnection();
    void Adopt(QTcpSocket* socket);
    // The connection that waits for the current one to close, if any, is taken on or refused.
    void SettleWaiting();
    void OnReadyRead();
    void OnDisconnected();
    void HandleOption(quint8 verb, quint8 option);
    void HandleComPort(const QByteArray& payload);
    void Send(const QByteArray& bytes);
    void Answer(quint8 command, const QByteArray& value);

    BoxEndpoint& m_endpoint;
    QTcpServer m_server;
    QPointer<QTcpSocket> m_client;
    QPointer<QTcpSocket> m_waiting;
    TelnetCodec m_codec;
    qint32 m_baud = 57600;
    bool m_dtr = false;
    // Options already agreed per side, so each request is answered once.
    TelnetOptions m_options;
    bool m_comPort = false;
};
