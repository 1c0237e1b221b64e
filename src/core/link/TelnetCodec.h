#pragma once

#include <QByteArray>
#include <QtGlobal>
#include <vector>

// Splits a received Telnet stream into data and protocol events, in the order they arrived, and
// builds the byte sequences to send. A data byte 0xFF travels as IAC IAC in both directions, also
// inside sub-negotiations. State is kept across Feed calls, so a sequence may be split anywhere.
class TelnetCodec
{
public:
    struct Event {
        enum class Kind { Data, Option, Subnegotiation, Command };
        Kind kind = Kind::Data;
        quint8 verb = 0;   // Option: Will, Wont, Do or Dont; Command: the command byte
        quint8 option = 0; // Option and Subnegotiation: the option number
        QByteArray bytes;  // Data: the bytes; Subnegotiation: the payload after the option
    };

    // Parses bytes; consecutive data bytes are gathered into one Data event.
    std::vector<Event> Feed(const QByteArray& bytes);

    static QByteArray EscapeData(const QByteArray& data);
    static QByteArray Option(quint8 verb, quint8 option);
    static QByteArray Subnegotiation(quint8 option, const QByteArray& payload);

private:
    enum class State { Data, Iac, OptionVerb, SbOption, SbData, SbIac };
    void AddData(std::vector<Event>& events, quint8 byte);

    State m_state = State::Data;
    quint8 m_verb = 0;
    quint8 m_sbOption = 0;
    QByteArray m_sbData;
};
