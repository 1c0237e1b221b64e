#pragma once

#include "core/engine/SocketIndicator.h"

#include <QFrame>

class QLabel;
class QPushButton;
class QTimer;
class SocketPanel;

// One socket indicator of the "Adapter Sockets:" panel: a 22 x 22 lamp above a 22 x 22 switch on
// a black panel. It renders the socket's SocketIndicator, runs the 150 ms flash timer while the
// indicator asks for it, and hands a click on the switch to the socket panel.
class TPXled : public QFrame
{
    Q_OBJECT
public:
    static constexpr int PictureSize = 22;

    // socket is 0 (A) .. 3 (D); the panel must outlive the widget.
    TPXled(SocketPanel& panel, int socket, QWidget* parent = nullptr);

    int Socket() const { return m_socket; }
    QPushButton* Switch() const { return m_switch; }
    QLabel* LampLabel() const { return m_lamp; }
    // The picture the lamp shows now.
    SocketIndicator::Picture ShownPicture() const { return m_shown; }
    bool Flashing() const;
    // The five lamp pictures, drawn once.
    static const QPixmap& PictureOf(SocketIndicator::Picture picture);

    // Shows the indicator's state again and starts or stops the flash timer.
    void Refresh();

private:
    SocketPanel& m_panel;
    const int m_socket;
    QLabel* m_lamp;
    QPushButton* m_switch;
    QTimer* m_flash;
    SocketIndicator::Picture m_shown = SocketIndicator::Picture::NotInUse;
};
