#pragma once

#include "core/engine/SocketIndicator.h"
#include "core/engine/SocketMasks.h"

#include <QObject>
#include <array>
#include <functional>

class AppContext;
struct EngineSockets;

// The sockets the operator switched on and everything that shows them: the four indicators,
// the Programming Sockets menu ("&Gang" / "ICP or &Single" and one item per socket) and the Read
// socket menu (an item per socket in use; one is checked and the default). Switching keeps the
// engine's enabled masks and the workstation settings in step. The GUI renders this state.
class SocketPanel : public QObject
{
    Q_OBJECT
public:
    SocketPanel(AppContext& ctx, EngineSockets& masks, QObject* parent = nullptr);

    SocketIndicator& Indicator(int socket) { return m_leds.at(size_t(socket)); }
    const SocketIndicator& Indicator(int socket) const { return m_leds.at(size_t(socket)); }

    // Read socket menu item of socket: visible while the socket is on; checked (= the default).
    bool ReadItemVisible(int socket) const { return m_readVisible.at(size_t(socket)); }
    int ReadDefault() const { return m_readDefault; }
    void ChooseReadItem(int socket);
    bool GangChecked() const { return m_gang; }

    void SetSockets(int first, int last, bool on);
    void SocketSwitchClick(int socket);
    void GangClick();
    void SingleClick();
    void ForceSingleSocket();
    void ForceSingleIfMultiple();
    void SocketChosenDefault();
    void RefreshIndicators();
    // Number of indicators in use.
    int InUseCount() const;
    // Switches the sockets on as the workstation settings hold them (after the settings load).
    void ApplyWorkstationSockets();
    // Switches the four indicators off (dark, not flashing) when the program ends; the sockets in
    // use, the masks and the workstation settings are left as they are, so they are saved intact.
    void SwitchOffIndicators();

    // Gang and Single reset the run state first; the engine provides it.
    void SetResetRunState(std::function<void()> reset) { m_resetRunState = std::move(reset); }

signals:
    void Changed();

private:
    bool OtherThanAOn() const;

    AppContext& m_ctx;
    EngineSockets& m_masks;
    std::array<SocketIndicator, Sockets::Count> m_leds;
    std::array<bool, Sockets::Count> m_readVisible{};
    int m_readDefault = -1;
    bool m_gang = false;
    std::function<void()> m_resetRunState;
};
