#pragma once

#include <QObject>
#include <QString>

// What is known about the connected programmer: hardware version, firmware version, boot loader
// identity and serial number, as texts for the about box, the reports and the serial-number log,
// plus the hardware facts the link decoded. Each text is a single blank until the link sets it.
class ProgrammerIdentity : public QObject
{
    Q_OBJECT
public:
    static inline const QString NotAvailable = QStringLiteral("Hardware Not Available.");

    using QObject::QObject;

    const QString& HardwareVersion() const { return m_hardware; }
    const QString& FirmwareVersion() const { return m_firmware; }
    const QString& BootLoaderId() const { return m_boot; }
    const QString& SerialNumber() const { return m_serial; }

    // A 16-bit version shows as its low byte, ".", its high byte, both decimal (0x0203 -> "3.2").
    static QString VersionText(quint16 version)
    {
        return QString::number(version & 0xFF) + QLatin1Char('.') + QString::number(version >> 8);
    }

    void SetFirmwareVersion(quint16 version) { Set(m_firmware, VersionText(version)); }
    void SetHardwareVersion(const QString& text) { Set(m_hardware, text); }
    void SetBootLoaderId(const QString& text) { Set(m_boot, text); }
    void SetSerialNumber(const QString& text) { Set(m_serial, text); }

    // Decoded hardware word: revision, modification byte and modification flags.
    int Revision() const { return m_revision; }
    int Modification() const { return m_modification; }
    int ModificationFlags() const { return m_modificationFlags; }
    // True once the box's identification has been decoded, until it is found missing.
    bool Identified() const { return m_identified; }
    void SetHardwareFacts(int revision, int modification, int flags)
    {
        m_revision = revision;
        m_modification = modification;
        m_modificationFlags = flags;
        m_identified = true;
        emit Changed();
    }

    // No programmer answered: every text says so and the remembered hardware facts are cleared.
    void MarkHardwareNotAvailable()
    {
        m_hardware = m_firmware = m_boot = m_serial = NotAvailable;
        m_revision = m_modification = m_modificationFlags = 0;
        m_identified = false;
        emit Changed();
    }

signals:
    void Changed();

private:
    void Set(QString& field, const QString& text)
    {
        if (field != text) {
            field = text;
            emit Changed();
        }
    }

    QString m_hardware = QStringLiteral(" ");
    QString m_firmware = QStringLiteral(" ");
    QString m_boot = QStringLiteral(" ");
    QString m_serial = QStringLiteral(" ");
    int m_revision = 0;
    int m_modification = 0;
    int m_modificationFlags = 0;
    bool m_identified = false;
};
