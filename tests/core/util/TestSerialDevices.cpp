// The port map's default devices: USB serial adapters by their stable /dev/serial/by-id/ names,
// on a fake /dev laid out in a temporary folder (device "nodes" are plain files there).

#include "core/model/WorkstationSettings.h"
#include "core/util/SerialDevices.h"

#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>
#include <QtTest>

namespace {

// dev/ttyUSB0 ..., and dev/serial/by-id/<name> -> ../../<device> as udev makes them.
struct FakeDev {
    QTemporaryDir root;
    QString byId = root.filePath("dev/serial/by-id");
    FakeDev() { QDir().mkpath(byId); }
    QString Device(const QString& name) const { return QDir(root.filePath("dev")).canonicalPath() + '/' + name; }
    void Plug(const QString& stableName, const QString& device)
    {
        QFile node(root.filePath("dev/" + device));
        QVERIFY(node.open(QIODevice::WriteOnly));
        QVERIFY(QFile::link("../../" + device, byId + '/' + stableName));
    }
    void Unplug(const QString& device) { QVERIFY(QFile::remove(root.filePath("dev/" + device))); }
};

const QString Ftdi = QStringLiteral("usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0");
const QString Prolific = QStringLiteral("usb-Prolific_Technology_Inc._USB-Serial_Controller-if00-port0");
const QString Cdc = QStringLiteral("usb-Microchip_CDC_Device_0001-if00");

} // namespace

class TestSerialDevices : public QObject
{
    Q_OBJECT
private slots:
    void DefaultMapOrdersAdaptersAndFillsTheRest_data()
    {
        QTest::addColumn<QStringList>("plugged");  // "stable name=device" pairs
        QTest::addColumn<QStringList>("expected"); // first four port names; "@name" = by-id/name
        QTest::newRow("none") << QStringList{}
                              << QStringList{"/dev/ttyUSB0", "/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyUSB3"};
        QTest::newRow("one adapter on ttyUSB0")
            << QStringList{Ftdi + "=ttyUSB0"}
            << QStringList{"@" + Ftdi, "/dev/ttyUSB1", "/dev/ttyUSB2", "/dev/ttyUSB3"};
        // The only adapter is COM1 whatever number the kernel gave it; its plain name is not repeated.
        QTest::newRow("one adapter on ttyUSB1")
            << QStringList{Ftdi + "=ttyUSB1"}
            << QStringList{"@" + Ftdi, "/dev/ttyUSB0", "/dev/ttyUSB2", "/dev/ttyUSB3"};
        // ttyUSB before ttyACM, numerically (ttyUSB10 after ttyUSB2), whatever the names' order.
        QTest::newRow("ordered by device") << QStringList{Cdc + "=ttyACM0", Prolific + "=ttyUSB10", Ftdi + "=ttyUSB2"}
                                           << QStringList{"@" + Ftdi, "@" + Prolific, "@" + Cdc, "/dev/ttyUSB0"};
    }

    void DefaultMapOrdersAdaptersAndFillsTheRest()
    {
        QFETCH(QStringList, plugged);
        QFETCH(QStringList, expected);
        FakeDev dev;
        for (const QString& pair : plugged)
            dev.Plug(pair.section('=', 0, 0), pair.section('=', 1));
        const QList<SerialDevices::Adapter> adapters = SerialDevices::PresentAdapters(dev.byId);
        QCOMPARE(adapters.size(), plugged.size());
        for (const SerialDevices::Adapter& adapter : adapters)
            QVERIFY2(adapter.device.startsWith(dev.Device("tty")), qPrintable(adapter.device));
        const QStringList map = SerialDevices::DefaultMap(adapters, WorkstationSettings::PortCount);
        QCOMPARE(map.size(), WorkstationSettings::PortCount);
        QCOMPARE(QSet<QString>(map.begin(), map.end()).size(), map.size()); // no device behind two names
        for (int i = 0; i < expected.size(); ++i) {
            QString want = expected.at(i);
            if (want.startsWith('@'))
                want = dev.byId + '/' + want.mid(1);
            QCOMPARE(map.at(i), want);
        }
    }

    void DescribesWhatATargetStandsFor()
    {
        FakeDev dev;
        dev.Plug(Ftdi, "ttyUSB3");
        const QString stable = dev.byId + '/' + Ftdi;
        QCOMPARE(SerialDevices::Describe(stable), Ftdi + " (ttyUSB3)");
        QCOMPARE(SerialDevices::Describe(dev.Device("ttyUSB3")), dev.Device("ttyUSB3"));
        QCOMPARE(SerialDevices::Describe("/nonexistent/ttyUSB7"), QString("/nonexistent/ttyUSB7 (not connected)"));
        QCOMPARE(SerialDevices::Describe("rfc2217://bench:4001"), QString("rfc2217://bench:4001"));
        // An adapter pulled out leaves a dangling link: it is neither present nor described as there.
        dev.Unplug("ttyUSB3");
        QVERIFY(SerialDevices::PresentAdapters(dev.byId).isEmpty());
        QCOMPARE(SerialDevices::Describe(stable), stable + " (not connected)");
    }

    // The workstation's map: the default follows the adapters; a stored plain device name of its
    // own number counts as unset (so older stores pick up the stable names), other entries stay.
    void WorkstationMapPrefersStableNames()
    {
        FakeDev dev;
        dev.Plug(Ftdi, "ttyUSB0");
        WorkstationSettings station;
        station.SetAdapterDirectory(dev.byId);
        const QString stable = dev.byId + '/' + Ftdi;
        QCOMPARE(station.PortTarget("COM1"), stable);
        QCOMPARE(station.PortTarget("COM2"), QString("/dev/ttyUSB1"));
        station.SetStoredPortTarget(1, "/dev/ttyUSB0");
        QVERIFY(station.StoredPortTarget(1).isEmpty());
        QCOMPARE(station.PortTarget(1), stable);
        station.SetStoredPortTarget(1, "/dev/ttyUSB1"); // another number's device is a real choice
        QCOMPARE(station.PortTarget(1), QString("/dev/ttyUSB1"));
        station.SetStoredPortTarget(1, QString());
        dev.Unplug("ttyUSB0");
        QCOMPARE(station.PortTarget(1), QString("/dev/ttyUSB0"));
    }
};

QTEST_GUILESS_MAIN(TestSerialDevices)
#include "TestSerialDevices.moc"
