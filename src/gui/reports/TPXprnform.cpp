#include "gui/reports/TPXprnform.h"

#include "core/context/AppContext.h"
#include "core/context/OperatorInterface.h"
#include "core/devices/SupportFiles.h"
#include "core/link/ProgrammerLink.h"
#include "core/reports/HistoryReport.h"
#include "gui/reports/HistoryPrinter.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
const QString PrinterCaption = QStringLiteral("Printer: ");
const QString PrinterError = QStringLiteral("Printer Error");
const QString NoPrinter = QStringLiteral("Default Printer not Found. Please Install a Printer.");
} // namespace

TPXprnform::TPXprnform(AppContext& context, QWidget* parent)
    : QDialog(parent), m_context(context), m_printer(std::make_unique<QPrinter>(QPrinter::HighResolution)),
      m_printerLabel(new QLabel(QStringLiteral("Printer:"), this)), m_status(new QLabel(this)),
      m_fileName(new QLineEdit(this)), m_options(new QPushButton(QStringLiteral("&Options"), this)),
      m_action(new QPushButton(QStringLiteral("&Print"), this)),
      m_cancel(new QPushButton(QStringLiteral("&Cancel"), this)),
      m_plain(new QCheckBox(QStringLiteral("Print without color"), this)),
      m_fileMode(new QCheckBox(QStringLiteral("Save to Text File"), this)), m_fileSelect(new QToolButton(this))
{
    setObjectName(QStringLiteral("TPXprnform"));
    setWindowTitle(QStringLiteral("Print Praxon History"));
    m_printers.names = [] { return QPrinterInfo::availablePrinterNames(); };
    m_printers.defaultName = [] { return QPrinterInfo::defaultPrinterName(); };
    m_setup = [this](QPrinter& printer) {
        QPrintDialog dialog(&printer, parentWidget());
        dialog.setWindowTitle(QStringLiteral("Printer Setup"));
        return dialog.exec() == QDialog::Accepted ? printer.printerName() : QString();
    };

    m_printerLabel->setObjectName(QStringLiteral("LAB_Printer"));
    m_status->setObjectName(QStringLiteral("LAB_Status"));
    m_status->setFrameShape(QFrame::StyledPanel);
    m_status->setMinimumWidth(360);
    m_fileName->setObjectName(QStringLiteral("E_FileName"));
    m_fileName->setReadOnly(true);
    m_options->setObjectName(QStringLiteral("B_Options"));
    m_options->setToolTip(QStringLiteral("Select Printer"));
    m_action->setObjectName(QStringLiteral("B_Print"));
    m_action->setDefault(true);
    m_cancel->setObjectName(QStringLiteral("B_Cancel"));
    m_cancel->setToolTip(QStringLiteral("Abort and Close Printing Dialog"));
    m_plain->setObjectName(QStringLiteral("CB_Plain"));
    m_plain->setChecked(true);
    m_fileMode->setObjectName(QStringLiteral("CB_SaveToFile"));
    m_fileSelect->setObjectName(QStringLiteral("B_SelectFile"));
    m_fileSelect->setText(QStringLiteral("..."));
    m_fileSelect->setToolTip(QStringLiteral("Select File Name"));

    auto* printerRow = new QHBoxLayout;
    printerRow->addWidget(m_printerLabel, 1);
    printerRow->addWidget(m_options);
    auto* boxes = new QHBoxLayout;
    boxes->addWidget(m_plain);
    boxes->addWidget(m_fileMode);
    boxes->addStretch(1);
    auto* fileRow = new QHBoxLayout;
    fileRow->addWidget(m_fileName, 1);
    fileRow->addWidget(m_fileSelect);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_action);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(printerRow);
    layout->addLayout(boxes);
    layout->addLayout(fileRow);
    layout->addWidget(m_status);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    connect(m_options, &QPushButton::clicked, this, &TPXprnform::ChoosePrinter);
    connect(m_action, &QPushButton::clicked, this, [this] { RunAction(); });
    connect(m_cancel, &QPushButton::clicked, this, &TPXprnform::CancelPressed);
    connect(m_fileMode, &QCheckBox::toggled, this, &TPXprnform::FileModeToggled);
    connect(m_fileSelect, &QToolButton::clicked, this, &TPXprnform::ChooseFile);
    FileModeToggled(false);
}

TPXprnform::~TPXprnform() = default;

void TPXprnform::Open()
{
    SelectPrinter();
    adjustSize();
    if (QWidget* owner = parentWidget())
        move(owner->geometry().center() - rect().center());
    show();
    raise();
    activateWindow();
}

void TPXprnform::SelectPrinter()
{
    const QStringList names = m_printers.names ? m_printers.names() : QStringList();
    QString name = m_printerLabel->text().mid(PrinterCaption.size());
    if (!m_printerLabel->text().startsWith(PrinterCaption) || !names.contains(name))
        name = m_printers.defaultName ? m_printers.defaultName() : QString();
    if (name.isEmpty() && !names.isEmpty())
        name = names.first();
    if (name.isEmpty() || !names.contains(name)) {
        m_status->setText(NoPrinter);
        MessageRequest request;
        request.sound = SoundKind::Warning;
        request.caption = PrinterError;
        request.text = NoPrinter;
        request.icon = BoxIcon::Warning;
        m_context.Operator().ShowMessage(request);
        m_printerLabel->setText(PrinterCaption);
        return;
    }
    m_printer->setPrinterName(name);
    m_printerLabel->setText(PrinterCaption + name);
    m_status->setText(QStringLiteral("READY"));
}

void TPXprnform::ChoosePrinter()
{
    hide();
    const QString chosen = m_setup ? m_setup(*m_printer) : QString();
    if (chosen.isEmpty()) {
        m_context.Operator().ShowWarning(PrinterError,
                                         QStringLiteral("Error attempting to access installed printers."));
    } else {
        m_printerLabel->setText(PrinterCaption + chosen);
        m_status->setText(QStringLiteral("READY"));
    }
    show();
}

void TPXprnform::ChooseFile()
{
    FileRequest request;
    request.caption = QStringLiteral("History to File");
    request.filter = QStringLiteral("Text Files (*.txt)");
    request.fileName = m_chosenFile;
    if (!m_chosenFile.isEmpty())
        request.directory = QFileInfo(m_chosenFile).absolutePath();
    QString path = m_context.Operator().ChooseSaveFile(request);
    if (!path.isEmpty() && QFileInfo(path).suffix().isEmpty())
        path += QStringLiteral(".txt");
    if (path.isEmpty() || !QFileInfo(path).absoluteDir().exists()) {
        m_chosenFile.clear();
        m_fileName->clear();
        UpdateActionEnabled();
        m_context.Operator().ShowError(QStringLiteral("File Selection Error"),
                                       QStringLiteral("Error selecting file. Can not save to file at this time"));
        return;
    }
    m_chosenFile = QDir::toNativeSeparators(path);
    m_fileName->setText(m_chosenFile);
    UpdateActionEnabled();
}

void TPXprnform::FileModeToggled(bool on)
{
    // A text file has no colours: plain output is forced, and stays ticked afterwards.
    if (on)
        m_plain->setChecked(true);
    m_plain->setEnabled(!on);
    m_fileSelect->setEnabled(on);
    m_fileName->setEnabled(on);
    if (on)
        m_fileName->setText(m_chosenFile);
    m_action->setText(on ? QStringLiteral("S&ave") : QStringLiteral("&Print"));
    m_printerLabel->setEnabled(!on);
    m_options->setEnabled(!on);
    UpdateActionEnabled();
}

void TPXprnform::UpdateActionEnabled()
{
    m_action->setEnabled(!m_printing && (!m_fileMode->isChecked() || !m_fileName->text().isEmpty()));
}

void TPXprnform::CancelPressed()
{
    if (m_printing) {
        m_cancelRequested = true;
        m_printer->abort();
    }
    hide();
}

QStringList TPXprnform::Header() const
{
    const QString title = parentWidget() ? parentWidget()->windowTitle() : m_context.Window().Title();
    const QDateTime now = QDateTime::currentDateTime();
    const QString software = m_context.Support().softwareText;
    if (m_context.Link())
        return HistoryReport::HeaderLines(now, title, software, m_context.Link()->Identity());
    const ProgrammerIdentity unknown;
    return HistoryReport::HeaderLines(now, title, software, unknown);
}

int TPXprnform::RunAction()
{
    m_printing = true;
    UpdateActionEnabled();
    int pages = -1;
    if (m_fileMode->isChecked()) {
        SaveToFile();
        pages = 0;
    } else {
        pages = Print();
    }
    m_printing = false;
    UpdateActionEnabled();
    hide();
    return pages;
}

void TPXprnform::SaveToFile()
{
    const QString path = QDir::fromNativeSeparators(m_fileName->text());
    const QStringList lines = HistoryReport::TextFileLines(Header(), m_context.History(), [this](int i) {
        m_status->setText(QStringLiteral("Saving line # ") + QString::number(i));
        QCoreApplication::processEvents();
    });
    QString error;
    if (!HistoryReport::WriteTextFile(path, lines, &error)) {
        m_status->setText(QStringLiteral("Error"));
        m_context.Operator().ShowError(QStringLiteral("File Error"), QStringLiteral("Cannot write ") +
                                                                         QDir::toNativeSeparators(path) +
                                                                         QStringLiteral(":\r") + error);
        return;
    }
    m_status->setText(QStringLiteral("Finished"));
}

int TPXprnform::Print()
{
    if (m_pdfOutput.isEmpty() && m_printerLabel->text().size() <= PrinterCaption.size()) {
        m_context.Operator().ShowWarning(PrinterError, NoPrinter);
        return -1;
    }
    if (!m_pdfOutput.isEmpty()) {
        m_printer->setOutputFormat(QPrinter::PdfFormat);
        m_printer->setOutputFileName(m_pdfOutput);
    }
    m_printer->setDocName(QStringLiteral("Praxon History"));
    m_cancelRequested = false;
    HistoryPrintJob job;
    job.header = Header();
    job.history = &m_context.History();
    job.colour = !m_plain->isChecked();
    job.pageStarted = [this](int page, int total) {
        m_status->setText(QStringLiteral("Printing Page Number: %1 of %2").arg(page).arg(total));
        QCoreApplication::processEvents();
    };
    job.cancelled = [this] { return m_cancelRequested; };
    const int pages = PrintHistory(*m_printer, job);
    if (pages < 0 && !m_cancelRequested && m_printer->printerState() != QPrinter::Aborted)
        m_context.Operator().ShowWarning(PrinterError,
                                         QStringLiteral("Error attempting to access installed printers."));
    return pages;
}
