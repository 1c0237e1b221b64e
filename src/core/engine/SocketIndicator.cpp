#include "core/engine/SocketIndicator.h"

void SocketIndicator::Setdouse(bool v)
{
    m_douse = v;
    m_timer = false;
    if (v) {
        m_lamp = Picture::Off;
        Setison(false);
        m_state = InUse;
        Setenabled(true);
    } else {
        m_lamp = Picture::NotInUse;
        m_state = NotInUse;
    }
    Changed();
}

void SocketIndicator::Setenabled(bool v)
{
    m_enabled = v;
    m_timer = m_error;
    Changed();
}

void SocketIndicator::Setison(bool v)
{
    if (!m_douse)
        return;
    m_ison = v;
    if (!v) {
        m_lamp = m_error ? Picture::ErrorOff : Picture::Off;
        Setenabled(true);
    } else if (m_error) {
        m_lamp = Picture::Error;
    } else {
        // The switch cannot be used while the lamp is lit.
        m_lamp = Picture::On;
        Setenabled(false);
    }
    Changed();
}

void SocketIndicator::Setactive(bool v)
{
    if (!m_douse)
        return;
    Setenabled(true);
    if (m_state == NotInUse)
        return;
    m_active = v;
    m_timer = v;
    if (!v) {
        Setison(false);
        Seterror(false);
    }
    Changed();
}

void SocketIndicator::Seterror(bool v)
{
    if (!m_douse || m_state == NotInUse)
        return;
    m_error = v;
    if (v) {
        if (!m_active)
            Setactive(true);
        m_state = ErrorState;
    } else {
        m_lamp = Picture::Off;
        m_state = InUse;
        if (m_active)
            Setactive(false);
        // A cleared error leaves nothing to flash.
        m_timer = m_active;
    }
    Changed();
}

void SocketIndicator::FlashtimerTimer()
{
    if (m_active)
        Setison(!m_ison);
}

void SocketIndicator::switchClick()
{
    switch (m_state) {
    case NotInUse:
        m_state = InUse;
        Setdouse(true);
        break;
    case InUse:
        if (!m_active) {
            Setdouse(false);
        } else {
            Setactive(false);
        }
        break;
    case ErrorState: Setactive(false); break;
    }
    Changed();
}

const char* SocketIndicator::SwitchCaption() const
{
    switch (m_state) {
    case InUse: return "I";
    case ErrorState: return "X";
    default: return "O";
    }
}
