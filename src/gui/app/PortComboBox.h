#pragma once

#include <QComboBox>
#include <functional>

// The port list of the control bar: the names "COM1" ... "COM9" that control files and the
// settings keep, each shown in the open list with the device it stands for now
// ("COM1   usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0 (ttyUSB0)"). The closed box shows the name;
// its tool tip, like each entry's, gives the device. The devices are asked for again every time
// the list opens, so an adapter plugged in meanwhile shows up.
class PortComboBox : public QComboBox
{
    Q_OBJECT
public:
    static constexpr int DeviceRole = Qt::UserRole + 1;

    explicit PortComboBox(QWidget* parent = nullptr);

    // What port number n (1 ...) stands for, as the list shows it.
    void SetDescriber(std::function<QString(int portNumber)> describe);
    void RefreshDevices();
    // The device shown beside entry index.
    QString DeviceText(int index) const;

    void showPopup() override;

protected:
    bool event(QEvent* event) override;

private:
    void ShowCurrentDevice();

    std::function<QString(int)> m_describe;
};
