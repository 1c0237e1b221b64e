#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The serial devices a Linux machine offers for the port map: USB serial adapters by their stable
// names under /dev/serial/by-id/ (a link per adapter, named after its maker, model and serial
// number, that keeps its name whichever ttyUSB or ttyACM number the kernel gives the adapter).
namespace SerialDevices {

struct Adapter {
    QString stableName; // the link: "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0"
    QString device;     // what it points at: "/dev/ttyUSB0"
};

// Where the stable names live.
QString DefaultByIdDirectory();

// The adapters listed in byIdDirectory whose device exists, ordered by device: ttyUSB0, ttyUSB1,
// ... first (numerically), then ttyACM0, ..., then any others by name.
QList<Adapter> PresentAdapters(const QString& byIdDirectory = DefaultByIdDirectory());

// The default device behind each of count port names: the present adapters, by stable name, in
// the order above; then /dev/ttyUSB0, /dev/ttyUSB1, ... for the names left over, skipping the
// devices an adapter already stands for.
QStringList DefaultMap(const QList<Adapter>& adapters, int count);

// What a port target is, for the port list: a stable name shows its adapter's name and the
// device it points at now ("usb-FTDI_..._A1B2C3-if00-port0 (ttyUSB0)"), a device path shows
// itself; a device that is not there is marked " (not connected)". URLs are shown as they are.
QString Describe(const QString& target);

} // namespace SerialDevices
