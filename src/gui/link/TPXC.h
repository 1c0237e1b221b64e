#pragma once

#include <QElapsedTimer>
#include <QTimer>
#include <QWidget>

class LinkStatus;
class QLabel;

// The link status window, captioned "Checking Communications...": the program icon, a bold
// status text and two small images that move across it while the link works. It renders the
// core's LinkStatus; its animation interval adapts to how long each tick really took.
class TPXC : public QWidget
{
    Q_OBJECT
public:
    static constexpr int Step = 28;       // pixels per tick
    static constexpr int FirstStart = 96; // the first image restarts here after passing FirstEnd
    static constexpr int FirstEnd = 320;
    static constexpr int SecondStart = 320; // the second image restarts here below SecondEnd
    static constexpr int SecondEnd = 124;

    explicit TPXC(LinkStatus& status, QWidget* parent = nullptr);

    QString StatusText() const;
    int FirstX() const { return m_firstX; }
    int SecondX() const { return m_secondX; }
    bool Animating() const { return m_timer.isActive(); }
    // One animation step (the timer calls it; tests call it directly).
    void Tick();

private:
    void Render();

    LinkStatus& m_status;
    QLabel* m_text;
    QLabel* m_first;
    QLabel* m_second;
    QTimer m_timer;
    QElapsedTimer m_sinceTick;
    int m_firstX = FirstStart;
    int m_secondX = SecondStart;
};
