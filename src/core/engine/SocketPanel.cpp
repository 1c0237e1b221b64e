#include "core/engine/SocketPanel.h"

#include "core/context/AppContext.h"
#include "core/model/OptionIndex.h"

SocketPanel::SocketPanel(AppContext& ctx, EngineSockets& masks, QObject* parent)
    : QObject(parent), m_ctx(ctx), m_masks(masks)
{
    for (SocketIndicator& led : m_leds)
        led.OnChanged([this] { emit Changed(); });
    // At program start socket A alone is on.
    SetSockets(0, 0, true);
}

bool SocketPanel::OtherThanAOn() const
{
    return (m_masks.EnabledSockets & ~Sockets::HardwareBit[0] & Sockets::AllHardware) != 0;
}

int SocketPanel::InUseCount() const
{
    int n = 0;
    for (const SocketIndicator& led : m_leds)
        n += led.douse() ? 1 : 0;
    return n;
}

void SocketPanel::SetSockets(int first, int last, bool on)
{
    for (int s = qMax(first, 0); s <= qMin(last, Sockets::Count - 1); ++s) {
        m_leds[size_t(s)].Setdouse(on);
        m_ctx.Workstation().SetSocketInUse(s, on);
        if (on) {
            const bool othersOn = (m_masks.EnabledSockets & ~Sockets::HardwareBit[size_t(s)]) != 0;
            m_masks.EnabledSockets |= Sockets::HardwareBit[size_t(s)];
            m_masks.EnabledSocketOrdinals |= Sockets::OrdinalBit[size_t(s)];
            m_readVisible[size_t(s)] = true;
            if (!othersOn || m_readDefault < 0)
                m_readDefault = s;
        } else {
            m_masks.EnabledSockets &= quint8(~Sockets::HardwareBit[size_t(s)]);
            m_masks.EnabledSocketOrdinals &= quint8(~Sockets::OrdinalBit[size_t(s)]);
            m_readVisible[size_t(s)] = false;
            if (m_readDefault == s)
                SocketChosenDefault();
        }
    }
    m_gang = OtherThanAOn();
    m_masks.FailedSocketOrdinals = 0;
    RefreshIndicators();
}

void SocketPanel::SocketChosenDefault()
{
    m_readDefault = -1;
    for (int s = 0; s < Sockets::Count; ++s)
        if (m_readVisible[size_t(s)]) {
            m_readDefault = s;
            break;
        }
}

void SocketPanel::ChooseReadItem(int socket)
{
    if (socket >= 0 && socket < Sockets::Count && m_readVisible[size_t(socket)]) {
        m_readDefault = socket;
        emit Changed();
    }
}

void SocketPanel::SocketSwitchClick(int socket)
{
    if (socket < 0 || socket >= Sockets::Count)
        return;
    SocketIndicator& led = m_leds[size_t(socket)];
    led.switchClick();
    SetSockets(socket, socket, led.douse());
    if (!m_ctx.Profile().serial)
        ForceSingleIfMultiple();
    if (socket > 0 && m_ctx.Options().IsEffective(OptionIndex::NoVdd))
        ForceSingleSocket();
}

void SocketPanel::GangClick()
{
    if (m_resetRunState)
        m_resetRunState();
    SetSockets(0, 3, true);
    m_gang = true;
    if (!m_ctx.Profile().serial)
        ForceSingleIfMultiple();
    if (m_ctx.Options().IsEffective(OptionIndex::NoVdd))
        ForceSingleSocket();
    emit Changed();
}

void SocketPanel::SingleClick()
{
    if (m_resetRunState)
        m_resetRunState();
    SetSockets(0, 3, false);
    SetSockets(0, 0, true);
    m_gang = false;
    emit Changed();
}

void SocketPanel::ForceSingleSocket()
{
    // The sockets the operator chose count as well as those already on: during start-up the rule
    // can act before the stored sockets are applied, and it switches them off in the store too.
    bool hadOthers = OtherThanAOn();
    for (int s = 1; s < Sockets::Count; ++s)
        hadOthers = hadOthers || m_ctx.Workstation().SocketInUse(s);
    SetSockets(0, 3, false);
    SetSockets(0, 0, true);
    m_gang = false;
    emit Changed();
    if (hadOthers) {
        MessageRequest box;
        box.caption = QStringLiteral("Socket Selection Notice");
        box.text = QStringLiteral(
            "Current Option Settings Prohibit Selecting Multiple Sockets.\r\rEither the selected device requires "
            "Parallel Programming,\ra single device adapter is connected,\ror settings indicate In-Circuit "
            "Programming.\rSocket A has been selected for you.");
        box.icon = BoxIcon::Warning;
        box.sound = SoundKind::Warning;
        m_ctx.Operator().ShowMessage(box);
    }
}

void SocketPanel::ForceSingleIfMultiple()
{
    if (OtherThanAOn())
        ForceSingleSocket();
}

void SocketPanel::RefreshIndicators()
{
    emit Changed();
}

void SocketPanel::ApplyWorkstationSockets()
{
    std::array<bool, Sockets::Count> saved{};
    for (int s = 0; s < Sockets::Count; ++s)
        saved[size_t(s)] = m_ctx.Workstation().SocketInUse(s);
    SetSockets(0, 3, false);
    for (int s = 0; s < Sockets::Count; ++s)
        SetSockets(s, s, saved[size_t(s)]);
}

void SocketPanel::SwitchOffIndicators()
{
    for (SocketIndicator& led : m_leds)
        led.Setdouse(false);
    RefreshIndicators();
}
