#pragma once

#include <QObject>

class OptionTable;

// Which commands the main window offers while a run is under way and after it. During a run only
// Stop is available; afterwards the programming commands follow their options again. The GUI
// renders this state on its actions and panels.
class RunLock : public QObject
{
    Q_OBJECT
public:
    enum class Item {
        Stop,
        AutoRun,
        Erase,
        BlankCheck,
        ProgramOnly,
        Verify,
        Serialize,
        Fuses,
        Read,
        Info,
        ClearLeds,
        ResetMenu,
        ControlBar,    // device, port and file commands
        CountersPanel, // with the socket indicators
        OptionsDialog,
        TreeSelection, // the task tree shows its selection
    };

    explicit RunLock(const OptionTable& options, QObject* parent = nullptr) : QObject(parent), m_options(options) {}

    void SetLocked(bool locked);
    bool Locked() const { return m_locked; }
    bool Enabled(Item item) const;

signals:
    void Changed();

private:
    const OptionTable& m_options;
    bool m_locked = false;
};
