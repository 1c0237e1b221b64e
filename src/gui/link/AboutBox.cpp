#include "gui/link/AboutBox.h"

#include "core/devices/SupportFiles.h"
#include "core/link/ProgrammerIdentity.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

namespace {
QLabel* IdentityLabel(const char* name)
{
    auto* label = new QLabel;
    label->setObjectName(QString::fromLatin1(name));
    label->setTextFormat(Qt::PlainText);
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}
} // namespace

AboutBox::AboutBox(const ProgrammerIdentity& identity, QWidget* parent)
    : QDialog(parent), m_identity(identity), m_hardware(IdentityLabel("LAB_HardwareVersion")),
      m_firmware(IdentityLabel("LAB_FirmwareVersion")), m_boot(IdentityLabel("LAB_BootLoaderId")),
      m_serial(IdentityLabel("LAB_SerialNumber"))
{
    setObjectName(QStringLiteral("AboutBox"));
    setWindowTitle(QStringLiteral("About"));
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint);

    auto* icon = new QLabel;
    QIcon appIcon = QApplication::windowIcon();
    if (appIcon.isNull())
        appIcon = style()->standardIcon(QStyle::SP_ComputerIcon);
    icon->setPixmap(appIcon.pixmap(48, 48));

    auto* product = new QLabel(QStringLiteral("Praxon"));
    product->setObjectName(QStringLiteral("LAB_Product"));
    QFont big = product->font();
    big.setPointSizeF(big.pointSizeF() * 1.6);
    big.setBold(true);
    product->setFont(big);
    auto* version = new QLabel(QString::fromLatin1(InstalledSoftwareVersion));
    version->setObjectName(QStringLiteral("LAB_Version"));
    auto* comments = new QLabel(QStringLiteral("Praxon MCU Programmer supporting software with Auto Firmware updates "
                                               "and table driven device support."));
    comments->setWordWrap(true);

    auto* identityForm = new QFormLayout;
    identityForm->addRow(QStringLiteral("Hardware Version:  "), m_hardware);
    identityForm->addRow(QStringLiteral("Firmware Version:  "), m_firmware);
    identityForm->addRow(QStringLiteral("Boot Loader ID:"), m_boot);
    identityForm->addRow(QStringLiteral("Serial Number:  "), m_serial);

    const QString address = QString::fromLatin1(UpdatesAddress);
    auto* updates = new QLabel(QStringLiteral("Updates: <a href=\"%1\">%1</a>").arg(address.toHtmlEscaped()));
    updates->setObjectName(QStringLiteral("LAB_Updates"));
    updates->setTextFormat(Qt::RichText);
    updates->setOpenExternalLinks(true);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* heading = new QVBoxLayout;
    heading->addWidget(product);
    heading->addWidget(version);
    auto* top = new QHBoxLayout;
    top->addWidget(icon, 0, Qt::AlignTop);
    top->addLayout(heading, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(comments);
    layout->addLayout(identityForm);
    layout->addWidget(updates);
    layout->addWidget(buttons);
    setMinimumWidth(420);

    connect(&m_identity, &ProgrammerIdentity::Changed, this, &AboutBox::ShowIdentity);
    ShowIdentity();
}

void AboutBox::ShowIdentity()
{
    m_hardware->setText(m_identity.HardwareVersion());
    m_firmware->setText(m_identity.FirmwareVersion());
    m_boot->setText(m_identity.BootLoaderId());
    m_serial->setText(m_identity.SerialNumber());
}

int AboutBox::exec()
{
    if (parentWidget()) {
        adjustSize();
        move(parentWidget()->geometry().center() - rect().center());
    }
    if (m_shownHook)
        QTimer::singleShot(0, this, [this] { m_shownHook(*this); });
    return QDialog::exec();
}
