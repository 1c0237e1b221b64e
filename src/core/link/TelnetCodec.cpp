#include "core/link/TelnetCodec.h"

#include "core/link/Rfc2217.h"

using namespace Rfc2217;

void TelnetCodec::AddData(std::vector<Event>& events, quint8 byte)
{
    if (events.empty() || events.back().kind != Event::Kind::Data)
        events.push_back(Event{});
    events.back().bytes.append(char(byte));
}

std::vector<TelnetCodec::Event> TelnetCodec::Feed(const QByteArray& bytes)
{
    std::vector<Event> events;
    for (const char c : bytes) {
        const auto b = quint8(c);
        switch (m_state) {
        case State::Data:
            if (b == Iac)
                m_state = State::Iac;
            else
                AddData(events, b);
            break;
        case State::Iac:
            if (b == Iac) {
                AddData(events, b);
                m_state = State::Data;
            } else if (b == Will || b == Wont || b == Do || b == Dont) {
                m_verb = b;
                m_state = State::OptionVerb;
            } else if (b == Sb) {
                m_state = State::SbOption;
            } else {
                Event e;
                e.kind = Event::Kind::Command;
                e.verb = b;
                events.push_back(e);
                m_state = State::Data;
            }
            break;
        case State::OptionVerb: {
            Event e;
            e.kind = Event::Kind::Option;
            e.verb = m_verb;
            e.option = b;
            events.push_back(e);
            m_state = State::Data;
            break;
        }
        case State::SbOption:
            m_sbOption = b;
            m_sbData.clear();
            m_state = State::SbData;
            break;
        case State::SbData:
            if (b == Iac)
                m_state = State::SbIac;
            else
                m_sbData.append(char(b));
            break;
        case State::SbIac:
            if (b == Se) {
                Event e;
                e.kind = Event::Kind::Subnegotiation;
                e.option = m_sbOption;
                e.bytes = m_sbData;
                events.push_back(e);
                m_state = State::Data;
            } else {
                // IAC IAC is a 0xFF payload byte; anything else is malformed and kept as data.
                m_sbData.append(char(b));
                m_state = State::SbData;
            }
            break;
        }
    }
    return events;
}

QByteArray TelnetCodec::EscapeData(const QByteArray& data)
{
    QByteArray out;
    out.reserve(data.size() + 8);
    for (const char c : data) {
        out.append(c);
        if (quint8(c) == Iac)
            out.append(c);
    }
    return out;
}

QByteArray TelnetCodec::Option(quint8 verb, quint8 option)
{
    QByteArray out;
    out.append(char(Iac));
    out.append(char(verb));
    out.append(char(option));
    return out;
}

QByteArray TelnetCodec::Subnegotiation(quint8 option, const QByteArray& payload)
{
    QByteArray out;
    out.append(char(Iac));
    out.append(char(Sb));
    out.append(char(option));
    out.append(EscapeData(payload));
    out.append(char(Iac));
    out.append(char(Se));
    return out;
}
