#pragma once

#include <QStringList>
#include <QWidget>

class MainWindowState;
class PortComboBox;
class QComboBox;
class QHBoxLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QToolBar;

// The strip at the top of the main window: the selected device ("MCU"), the port list ("PORT"),
// the Select MCU and Exit buttons and the command tool bar. It shows MainWindowState and writes
// the chosen port index back to it; the commands behind the buttons belong to the window.
class ControlBar : public QWidget
{
    Q_OBJECT
public:
    explicit ControlBar(MainWindowState& state, QWidget* parent = nullptr);

    // "COM1" ... "COM9", in list order.
    static QStringList PortNames();

    QLineEdit* McuBox() const { return m_mcuBox; }
    PortComboBox* PortList() const { return m_portList; }
    QPushButton* SelectMcuButton() const { return m_selectMcu; }
    QPushButton* ExitButton() const { return m_exit; }
    // The window puts its command actions here.
    QToolBar* ToolBar() const { return m_toolBar; }
    // True while the tool bar sits in a row of its own below the device and port controls.
    bool ToolBarWrapped() const { return m_wrapped; }

signals:
    // The Select MCU button was clicked, the MCU box was clicked, or a key other than Enter,
    // Tab and the bare modifiers was pressed in it.
    void SelectMcuRequested();
    void ExitClicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowState();
    // Puts the tool bar beside the other controls when the bar is wide enough for all of them,
    // else in a second row, so no tool button is ever hidden.
    void PlaceToolBar(int width);

    MainWindowState& m_state;
    QLabel* m_mcuLabel;
    QLineEdit* m_mcuBox;
    QLabel* m_portLabel;
    PortComboBox* m_portList;
    QPushButton* m_selectMcu;
    QPushButton* m_exit;
    QToolBar* m_toolBar;
    QHBoxLayout* m_firstRow = nullptr;
    QHBoxLayout* m_secondRow = nullptr;
    bool m_wrapped = false;
};
