#pragma once

#include <QObject>

// The task progress bar as the link keeps it: maximum, position, and how many items pass between
// two updates (step) and how much each update adds (increment). The main window renders it.
class LinkProgress : public QObject
{
    Q_OBJECT
public:
    using QObject::QObject;

    int Maximum() const { return m_maximum; }
    int Position() const { return m_position; }
    int Step() const { return m_step; }
    int Increment() const { return m_increment; }

    // Up to 65535 items: one update per item up to 100 items, else one per hundredth. From 65536
    // items on, the bar counts hundreds and moves by 1 every 100 items.
    void SetupProgress(int items)
    {
        if (items < 65536) {
            m_maximum = items;
            m_step = m_increment = items <= 100 ? 1 : items / 100;
        } else {
            m_maximum = items / 100;
            m_step = 100;
            m_increment = 1;
        }
        m_position = 0;
        emit Changed();
    }
    // Fixed maximum and step (the firmware download: 1792 words, 17 per update).
    void SetupFixed(int maximum, int step)
    {
        m_maximum = maximum;
        m_step = m_increment = step;
        m_position = 0;
        emit Changed();
    }
    void AdvanceProgress(int amount)
    {
        m_position += amount;
        emit Changed();
        emit Advanced();
    }
    void SetPosition(int position)
    {
        m_position = position;
        emit Changed();
    }
    void Fill() { SetPosition(m_maximum); }

signals:
    void Changed();
    // A progress step passed (the main window refreshes its elapsed-time label).
    void Advanced();

private:
    int m_maximum = 100;
    int m_position = 0;
    int m_step = 1;
    int m_increment = 1;
};
