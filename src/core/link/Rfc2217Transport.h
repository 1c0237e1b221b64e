#pragma once

#include "core/link/SerialTransport.h"
#include "core/link/TelnetCodec.h"
#include "core/link/TelnetOptions.h"

#include <QTcpSocket>

// A network serial port: RFC 2217 (Telnet COM Port Control) over TCP, as served by serial device
// servers such as ser2net and by praxon-boxsim --listen. Target form: "rfc2217://host:port".
// The line rate, 8N1, no flow control, DTR and purges go to the server as COM-PORT-OPTION
// sub-negotiations; data bytes 0xFF are doubled on the wire. Open waits (pumping events) up to
// ConnectTimeoutMs for the connection and the server's agreement to COM-PORT-OPTION; Configure
// waits up to ReplyTimeoutMs for the server to confirm the baud rate.
class Rfc2217Transport : public SerialTransport
{
    Q_OBJECT
public:
    static constexpr int ConnectTimeoutMs = 3000;
    static constexpr int ReplyTimeoutMs = 2000;

    explicit Rfc2217Transport(const QString& target, QObject* parent = nullptr);
    ~Rfc2217Transport() override;

    // Splits "rfc2217://host:port"; false when the text is not of that form.
    static bool ParseTarget(const QString& target, QString* host, quint16* port);

    QString Target() const override { return m_target; }
    bool Open(QString* systemText) override;
    bool Configure(qint32 baud, QString* systemText) override;
    void Close() override;
    bool IsOpen() const override;
    bool Write(const QByteArray& bytes, QString* systemText) override;
    qint64 BytesAvailable() const override { return m_received.size(); }
    QByteArray Take(qint64 maxCount) override;
    bool Purge(bool receive, bool transmit, QString* systemText) override;
    bool SetDtr(bool raised, QString* systemText) override;
    LineErrors TakeLineErrors(bool* queryOk) override;

    // The baud rate the server last confirmed (0 = none yet).
    qint32 ConfirmedBaud() const { return m_confirmedBaud; }

private:
    void OnReadyRead();
    void HandleOption(quint8 verb, quint8 option);
    void HandleComPort(const QByteArray& payload);
    bool SendRaw(const QByteArray& bytes, QString* systemText);
    bool SendComPort(quint8 command, const QByteArray& value, QString* systemText);

    QString m_target;
    QTcpSocket m_socket;
    TelnetCodec m_codec;
    QByteArray m_received;
    bool m_comPortAgreed = false;
    bool m_comPortRefused = false;
    qint32 m_confirmedBaud = 0;
    LineErrors m_lineErrors;
    // Options already agreed, so that each request is answered only once (no negotiation loops).
    TelnetOptions m_options;
};
