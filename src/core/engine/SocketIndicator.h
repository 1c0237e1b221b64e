#pragma once

#include <functional>

// The state of one socket indicator: a lamp above a switch. The switch puts the socket in or out
// of use; during a run the lamp is lit and the switch locked; a failed socket flashes between the
// error and error-off pictures until its switch ("X") is clicked. The widget renders this state
// and runs the flash timer while FlashTimerRunning() is true, calling FlashtimerTimer().
class SocketIndicator
{
public:
    enum class Picture { On, Off, NotInUse, Error, ErrorOff };
    enum SwitchState { NotInUse = 0, InUse = 1, ErrorState = 2 };
    static constexpr int FlashIntervalMs = 150;

    void Setdouse(bool v);
    void Setenabled(bool v);
    void Setison(bool v);
    void Setactive(bool v);
    void Seterror(bool v);
    void switchClick();
    void FlashtimerTimer();

    bool douse() const { return m_douse; }
    bool enabled() const { return m_enabled; }
    bool ison() const { return m_ison; }
    bool active() const { return m_active; }
    bool error() const { return m_error; }
    SwitchState State() const { return m_state; }
    // "O", "I" or "X".
    const char* SwitchCaption() const;
    Picture Lamp() const { return m_lamp; }
    bool FlashTimerRunning() const { return m_timer; }

    // Called after every change, so that the widget repaints and starts or stops its timer.
    void OnChanged(std::function<void()> handler) { m_changed = std::move(handler); }

private:
    void Changed() const
    {
        if (m_changed)
            m_changed();
    }

    bool m_douse = false;
    bool m_enabled = true;
    bool m_ison = false;
    bool m_active = false;
    bool m_error = false;
    bool m_timer = false;
    SwitchState m_state = NotInUse;
    Picture m_lamp = Picture::NotInUse;
    std::function<void()> m_changed;
};
