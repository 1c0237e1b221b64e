// Firmware synchronisation: the boot loader exchange after every reset of the box, the image
// download, the configuration check and the box's identification.
#include "core/context/AppContext.h"
#include "core/link/BoxProtocol.h"
#include "core/link/ProgrammerLink.h"

#include <QFile>

using Bit = LinkErrorWord::Bit;

namespace {
constexpr int ImageProgressStep = 17; // words between two progress steps (and full drains)
constexpr int ResultColumn = 34;
constexpr int ImageNameColumn = 16;
} // namespace

quint16 ProgrammerLink::ExpectedFirmwareVersion() const
{
    // The table VERSION is decimal text ("280" is firmware 0x0118); anything else is unknown.
    bool ok = false;
    const int version = m_ctx.Support().versionText.trimmed().toInt(&ok);
    return ok && version > 0 && version <= 0xFFFF ? quint16(version) : 0;
}

QChar ProgrammerLink::ExpectedConfigLetter() const
{
    const QChar letter = m_ctx.Profile().pmod;
    return letter.isNull() ? QChar(u'A') : letter.toUpper();
}

QString ProgrammerLink::ImageFileName() const
{
    return QStringLiteral("PX%1%2.DAT")
        .arg(ExpectedFirmwareVersion(), 4, 16, QLatin1Char('0'))
        .arg(ExpectedConfigLetter())
        .toUpper();
}

void ProgrammerLink::FirmwareHandshake()
{
    ProgramFlags& flags = m_ctx.Flags();
    if (flags.StopRequested)
        return;
    // '<' 'I' '>': the loader answers its firmware and boot versions, two bytes each, low first.
    m_link.ClearProtocolState();
    m_link.SendRaw(BoxProtocol::FrameStart, false, 0);
    m_link.Expect(BoxLink::ClassFirmwareVersion);
    m_link.Expect(BoxLink::ClassFirmwareVersion);
    m_link.SendRaw(BoxProtocol::LoaderIdentify, false, 0);
    m_link.Expect(BoxLink::ClassBootVersion);
    m_link.Expect(BoxLink::ClassBootVersion);
    m_link.SendRaw(BoxProtocol::FrameEnd, false, 0);
    m_link.WaitAllReplies();
    if (flags.StopRequested)
        return;
    m_identity.SetBootLoaderId(QString::number(m_link.BootVersion()));

    if ((m_firmwareSyncRequested || m_configurationNeeded) && flags.ProgramReady) {
        if (m_imageDownloaded)
            UpdateDidNotTakeEffect();
        else
            FirmwareUpdate();
        return;
    }
    m_identity.SetFirmwareVersion(m_link.FirmwareVersion());
    if (m_link.FirmwareVersion() != ExpectedFirmwareVersion()) {
        if (m_imageDownloaded)
            UpdateDidNotTakeEffect();
        else
            FirmwareUpdate();
        return;
    }
    // Start the application firmware: '<' 'R' '>' answered with 'f'.
    m_link.ClearProtocolState();
    if (!flags.StopRequested) {
        m_link.SendRaw(BoxProtocol::FrameStart, false, 0);
        m_link.SendRaw(BoxProtocol::LoaderRun, false, 0);
        m_link.SendRaw(BoxProtocol::FrameEnd, true, BoxLink::ClassResync);
    }
    m_link.WaitAllReplies();
    m_port.Pause();
    ReadConfigVersion();
    if (!flags.StopRequested)
        ReadIdentification();
}

void ProgrammerLink::FirmwareUpdate()
{
    const QString current = ProgrammerIdentity::VersionText(m_link.FirmwareVersion());
    const quint16 expected = ExpectedFirmwareVersion();
    const QString wanted = ProgrammerIdentity::VersionText(expected);
    QString text;
    QString caption;
    if (expected == 0) {
        text = QStringLiteral("The existing table/firmware files may be corrupt.\r\rCurrent Firmware Version:      ") +
               current + QStringLiteral("\rTable Firmware Version: ") + wanted +
               QStringLiteral("\r\rSelect Cancel to abort this update.");
        caption = QStringLiteral("Possible problem with Firmware Files");
    } else if (m_firmwareSyncRequested) {
        text = QStringLiteral("You have chosen to Synchronize Praxon's Firmware.\r\rCurrent Firmware Version:      ") +
               current + QStringLiteral("\rChange to Firmware Version: ") + wanted +
               QStringLiteral("\r\rSelect OK to proceed now.");
        caption = QStringLiteral("Ready to Synchronize Firmware");
    } else if (!m_configurationNeeded) {
        text = QStringLiteral("Praxon will now Synchronize the Firmware to this version of Software.\r\r"
                              "Current Firmware Version:      ") +
               current + QStringLiteral("\rChanging to Firmware Version:  ") + wanted +
               QStringLiteral("\r\rSelect OK to proceed now.");
        caption = QStringLiteral("Synchronizing Hardware to Match Software");
    }
    // A configuration download is not asked about.
    if (!m_configurationNeeded) {
        if (m_ctx.Operator().AskOkCancel(caption, text, BoxIcon::Question) != OkButton) {
            if (m_firmwareSyncRequested) {
                m_firmwareSyncRequested = false;
                return;
            }
            m_errors.RecordError(Bit::FirmwareNotSynchronized);
            return;
        }
    }

    m_firmwareSyncRequested = false;
    const bool configuration = m_configurationNeeded;
    const QString title =
        configuration ? QStringLiteral("Configuring Programmer") : QStringLiteral("Synchronizing Firmware");
    m_ctx.History().AddLine(QStringLiteral(" "), HistoryStyle::Normal);
    m_ctx.History().AddLine(QStringLiteral(" ") + title, HistoryStyle::FileInformation);
    m_ctx.History().AddLine(QStringLiteral("_______________________________________________"),
                            HistoryStyle::FileInformation);
    m_ctx.Window().SetStatusText(title);
    ShowStatus(true, configuration ? LinkStatus::LoadingConfiguration : LinkStatus::SynchronizingFirmware);

    // '<' 'L' '>': the loader answers 'L' and then takes the image.
    m_link.Expect(BoxLink::ClassLoaderReady);
    m_link.SendRaw(BoxProtocol::FrameStart, false, 0);
    m_link.SendRaw(BoxProtocol::LoaderLoad, false, 0);
    m_link.SendRaw(BoxProtocol::FrameEnd, false, 0);
    m_link.WaitAllReplies();
    if (!m_ctx.Flags().StopRequested)
        DownloadImage();
    if (m_ctx.Flags().StopRequested)
        ShowStatus(false, configuration ? LinkStatus::ConfigurationError : LinkStatus::FirmwareUpdateError);
}

void ProgrammerLink::DownloadImage()
{
    HistoryLog& history = m_ctx.History();
    const bool configuration = m_configurationNeeded;
    // A configuration download is "Configuring Programmer" in its result line, as in its heading;
    // only a configuration image that is missing is reported as "Updating Programmer".
    const QString title =
        configuration ? QStringLiteral("Configuring Programmer") : QStringLiteral("Synchronizing Firmware");
    const int errorText = configuration ? LinkStatus::ConfigurationError : LinkStatus::FirmwareUpdateError;
    m_progress.SetupFixed(BoxProtocol::ImageWords, ImageProgressStep);

    const QString name = ImageFileName();
    history.AddLine(QStringLiteral(" Loading IMAGE:"), HistoryStyle::Normal);
    history.AppendColumn(name, ImageNameColumn, HistoryStyle::Normal);

    QFile file(m_ctx.AppFile(name));
    if (!file.exists() || !file.open(QIODevice::ReadOnly)) {
        if (configuration)
            m_ctx.Operator().ShowWarning(QStringLiteral("Programmer Update Error"),
                                         QStringLiteral("Configuration image: ") + name +
                                             QStringLiteral(" does not exist."));
        else
            m_ctx.Operator().ShowWarning(QStringLiteral("Firmware Update Error"),
                                         QStringLiteral("Firmware image: ") + name +
                                             QStringLiteral(" does not exist."));
        const QString missingTitle = configuration ? QStringLiteral("Updating Programmer") : title;
        history.AddLine(missingTitle + QStringLiteral(" Results: "), HistoryStyle::Success);
        history.AppendColumn(QStringLiteral("Failed"), ResultColumn, HistoryStyle::Error);
        m_ctx.Window().SetStatusText(missingTitle + QStringLiteral(" ERROR!"));
        ShowStatus(false, errorText);
        // The box is left in its boot loader: it is not usable, and the reset must say so.
        m_errors.RecordError(Bit::FirmwareNotSynchronized);
        m_port.SetProgrammerReady(false);
        return;
    }

    history.AddLine(QStringLiteral(" Updating . . . "), HistoryStyle::Normal);
    const QByteArray image = file.readAll();
    file.close();
    int sinceStep = 0;
    for (int at = 0; at + 1 < image.size() && !m_ctx.Flags().StopRequested; at += 2) {
        SendImageWord(quint16(quint8(image[at]) | quint8(image[at + 1]) << 8));
        if (++sinceStep == ImageProgressStep) {
            sinceStep = 0;
            m_progress.AdvanceProgress(ImageProgressStep);
            m_link.WaitAllReplies();
        }
    }

    history.AddLine(title + QStringLiteral(" Results: "), HistoryStyle::Success);
    if (m_ctx.Flags().StopRequested) {
        m_ctx.Operator().ShowWarning(QStringLiteral("Programmer Update Error"),
                                     configuration ? QStringLiteral("ERROR Configuring Programmer")
                                                   : QStringLiteral("ERROR Syncronizing Firmware"));
        history.AppendColumn(QStringLiteral("Failed"), ResultColumn, HistoryStyle::Error);
        m_ctx.Window().SetStatusText(title + QStringLiteral(" ERROR!"));
        ShowStatus(false, errorText);
        return;
    }
    m_progress.Fill();
    m_identity.SetSerialNumber(QString::number(m_identification[0]));
    m_identity.SetBootLoaderId(QString::number(m_link.BootVersion()));
    m_identity.SetFirmwareVersion(ExpectedFirmwareVersion());
    history.AppendColumn(QStringLiteral("OK"), ResultColumn, HistoryStyle::Success);
    m_ctx.Window().SetStatusText(title + QStringLiteral(" PASSED"));
    ShowStatus(false, configuration ? LinkStatus::ConfigurationComplete : LinkStatus::FirmwareUpdateComplete);
    m_port.SetProgrammerReady(false);
    m_configurationNeeded = false;
    m_imageDownloaded = true;
    // The box restarts its loader; a full reset now finds the matching firmware.
    ResetProgrammer();
}

void ProgrammerLink::UpdateDidNotTakeEffect()
{
    // A complete image was sent, yet the box still reports another version or letter (a
    // mislabelled or corrupt image file): loading it again would repeat the same outcome without
    // end, so this reset fails with the firmware not synchronised.
    m_firmwareSyncRequested = false;
    const bool configuration = m_configurationNeeded;
    const QString title =
        configuration ? QStringLiteral("Configuring Programmer") : QStringLiteral("Synchronizing Firmware");
    HistoryLog& history = m_ctx.History();
    if (configuration)
        history.AddLine(QStringLiteral(" Configuration after the update: ") +
                            QChar::fromLatin1(m_link.ConfigVersion()) + QStringLiteral(", needed: ") +
                            ExpectedConfigLetter(),
                        HistoryStyle::Error);
    else
        history.AddLine(QStringLiteral(" Firmware Version after the update: ") +
                            ProgrammerIdentity::VersionText(m_link.FirmwareVersion()) + QStringLiteral(", needed: ") +
                            ProgrammerIdentity::VersionText(ExpectedFirmwareVersion()),
                        HistoryStyle::Error);
    history.AddLine(title + QStringLiteral(" Results: "), HistoryStyle::Success);
    history.AppendColumn(QStringLiteral("Failed"), ResultColumn, HistoryStyle::Error);
    m_ctx.Window().SetStatusText(title + QStringLiteral(" ERROR!"));
    ShowStatus(false, configuration ? LinkStatus::ConfigurationError : LinkStatus::FirmwareUpdateError);
    m_port.SetProgrammerReady(false);
    m_errors.RecordError(Bit::FirmwareNotSynchronized);
}

void ProgrammerLink::SendImageWord(quint16 word)
{
    // Strictly stop-and-wait: each byte is accepted with 'y'.
    m_link.SendRaw(quint8(word & 0xFF), true, BoxLink::ClassImageByte);
    if (!m_ctx.Flags().StopRequested)
        m_link.SendRaw(quint8(word >> 8), true, BoxLink::ClassImageByte);
    m_link.WaitAllReplies();
}

bool ProgrammerLink::ReadConfigVersion()
{
    if (!m_ctx.Flags().StopRequested)
        m_link.CommandWithReplies(BoxProtocol::CmdReadConfigVersion, BoxLink::ClassConfigVersion, 1, true);
    if (QChar::fromLatin1(m_link.ConfigVersion()) != ExpectedConfigLetter() || m_ctx.Flags().StopRequested) {
        m_configurationNeeded = true;
        return true;
    }
    m_configurationNeeded = false;
    return false;
}

void ProgrammerLink::ReadIdentification()
{
    if (!m_ctx.Flags().StopRequested) {
        m_link.Command(BoxProtocol::CmdReadIdentification, false);
        if (!m_ctx.Flags().StopRequested)
            m_link.ReadWords(m_identification.data(), BoxProtocol::IdentificationWords);
    }
    if (m_ctx.Flags().StopRequested) {
        MarkHardwareNotAvailable();
        return;
    }
    m_identity.SetSerialNumber(QString::number(m_identification[0]));
    DecodeHardwareWord(m_identification[3]);
}

bool ProgrammerLink::CompareIdentification()
{
    std::array<quint16, 4> words{};
    if (!m_ctx.Flags().StopRequested) {
        m_link.Command(BoxProtocol::CmdReadIdentification, false);
        if (!m_ctx.Flags().StopRequested)
            m_link.ReadWords(words.data(), BoxProtocol::IdentificationWords);
    }
    return m_ctx.Flags().StopRequested || words != m_identification;
}

void ProgrammerLink::DecodeHardwareWord(quint16 word)
{
    const int modification = word >> 8;
    const int revision = (word & 0xFF) + 1;
    int flags = modification;
    if (revision == 2)
        flags = modification == 0 || modification == 2 ? 2 : 6;
    m_identity.SetHardwareFacts(revision, modification, flags);
    m_identity.SetHardwareVersion(QString::number(revision, 16).toUpper() + QLatin1Char('-') +
                                  QString::number(modification, 16).toUpper());
}

bool ProgrammerLink::HardwareModificationNotice()
{
    const int revision = m_identity.Revision();
    if (m_ctx.Profile().serial || !(revision == 1 || revision == 3) || m_identity.Modification() != 0)
        return m_ctx.Flags().StopRequested;
    NoticeRequest notice;
    notice.title = QStringLiteral("Notice - Modification Required");
    notice.text = QStringLiteral("   Praxon Hardware Versions 1.0 and 3.0 require modification in order to "
                                 "program/read Parallel MCU devices. See the 'PX1ERRATA.PDF' file for modification "
                                 "instructions.\r\r   If any attempt is made to access the MCU without this "
                                 "modification, it could be destroyed or rendered unusable.\r ");
    notice.checkText = QStringLiteral("I have made the modification. Do not show this message again.");
    notice.ticked = false;
    if (ShowNotice(notice)) {
        if (m_link.Command(BoxProtocol::CmdModificationDone, true)) {
            m_ctx.Flags().StopRequested = true;
            return true;
        }
    }
    return m_ctx.Flags().StopRequested;
}
