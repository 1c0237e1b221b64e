#include "gui/options/OptionsDialogPages.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// One page: a column of groups, each with its heading above it.
class PageBuilder
{
public:
    PageBuilder(QTabWidget* tabs, const QString& title, OptionsDialogControls& controls)
        : m_page(new QWidget), m_layout(new QVBoxLayout(m_page)), m_controls(controls)
    {
        tabs->addTab(m_page, title);
    }
    QWidget* Page() const { return m_page; }

    QVBoxLayout* Group(const QString& heading)
    {
        auto* caption = new QLabel(heading, m_page);
        QFont bold = caption->font();
        bold.setBold(true);
        caption->setFont(bold);
        m_layout->addWidget(caption);
        auto* frame = new QWidget(m_page);
        auto* column = new QVBoxLayout(frame);
        column->setContentsMargins(16, 0, 0, 6);
        m_layout->addWidget(frame);
        return column;
    }
    QCheckBox* Box(QBoxLayout* into, int index, const QString& caption, const char* suffix = "")
    {
        auto* box = new QCheckBox(caption, m_page);
        box->setObjectName(QStringLiteral("CB_%1%2").arg(index).arg(QLatin1String(suffix)));
        into->addWidget(box);
        m_controls.options.emplace(index, box);
        return box;
    }
    QRadioButton* Radio(QBoxLayout* into, int index, const QString& caption)
    {
        auto* button = new QRadioButton(caption, m_page);
        button->setObjectName(QStringLiteral("RB_%1").arg(index));
        into->addWidget(button);
        m_controls.options.emplace(index, button);
        return button;
    }
    QLabel* Text(QBoxLayout* into, const QString& text, const char* name = nullptr)
    {
        auto* label = new QLabel(text, m_page);
        label->setWordWrap(true);
        if (name)
            label->setObjectName(QString::fromLatin1(name));
        into->addWidget(label);
        return label;
    }
    // An icon button whose text is its tooltip, not its caption.
    QToolButton* IconButton(const char* name, const QString& hint, QStyle::StandardPixmap icon)
    {
        auto* button = new QToolButton(m_page);
        button->setObjectName(QString::fromLatin1(name));
        button->setToolTip(hint);
        button->setIcon(m_page->style()->standardIcon(icon));
        return button;
    }
    void Finish() { m_layout->addStretch(1); }

private:
    QWidget* m_page;
    QVBoxLayout* m_layout;
    OptionsDialogControls& m_controls;
};

QString Quoted(const QString& text)
{
    return u'"' + text + u'"';
}

void AutoOptionsPage(QTabWidget* tabs, OptionsDialogControls& c)
{
    PageBuilder b(tabs, QStringLiteral("Auto Options"), c);
    QVBoxLayout* operations = b.Group(QStringLiteral("  Select Operations:"));
    b.Box(operations, 16, QStringLiteral("Enable Erase"));
    b.Box(operations, 17, QStringLiteral("Enable Blank Check"));
    b.Box(operations, 18, QStringLiteral("Enable Verify"));
    QVBoxLayout* sections = b.Group(QStringLiteral("  Select MCU Sections:"));
    b.Box(sections, 32, QStringLiteral("Enable Code"));
    b.Box(sections, 33, QStringLiteral("Enable EE DATA"));
    b.Box(sections, 35, QStringLiteral("Enable Calibration  ( required if FLASH w/CAL )"));
    b.Box(sections, 34, QStringLiteral("Enable ID Locations"));
    b.Box(sections, 36, QStringLiteral("Enable Fuses "));
    b.Box(sections, 37, QStringLiteral("Enable Serial Numbering"));
    b.Finish();
    c.pages[0] = b.Page();
}

void GeneralPage(QTabWidget* tabs, OptionsDialogControls& c)
{
    PageBuilder b(tabs, QStringLiteral("General Options"), c);
    QVBoxLayout* misc = b.Group(QStringLiteral("  Misc. Options:"));
    b.Box(misc, 3, QStringLiteral("Skip Blank Locations [ Faster ] "));
    b.Box(misc, 4, QStringLiteral("Disable Task Confirmation Messages"));
    b.Box(misc, 1, QStringLiteral("Disable READ functions"));
    b.Box(misc, 72, QStringLiteral("Use High Speed Transfers"));
    b.Box(misc, 76, QStringLiteral("Use Microchip Checksums"));
    b.Box(misc, 75, QStringLiteral("Open in Compact View"));
    b.Box(misc, 48, QStringLiteral("Warn If Code/Data Protection is Enabled"));
    b.Box(misc, 39, QStringLiteral("Disable EE Data Editor"));
    QVBoxLayout* production = b.Group(QStringLiteral("  Production Control:"));
    b.Box(production, 0, QStringLiteral("Disable Option Editing"));
    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("Password to Enable Option Editing :"), b.Page()));
    c.password = new QLineEdit(b.Page());
    c.password->setObjectName(QStringLiteral("ED_Password"));
    c.password->setEchoMode(QLineEdit::Password);
    c.password->setMaxLength(32);
    row->addWidget(c.password, 1);
    production->addLayout(row);
    b.Finish();
    c.pages[1] = b.Page();
}

void HexPage(QTabWidget* tabs, OptionsDialogControls& c)
{
    PageBuilder b(tabs, QStringLiteral("Hex Options"), c);
    QVBoxLayout* include = b.Group(QStringLiteral("  Save HEX File - Include Record Options:"));
    b.Box(include, 49, QStringLiteral("Include MCU Type"));
    b.Box(include, 50, QStringLiteral("Include FUSE Settings"));
    b.Box(include, 51, QStringLiteral("Include EE DATA"));
    b.Box(include, 52, QStringLiteral("Include Calibration Data - (from Selected Cal Data)"));
    b.Text(include,
           QStringLiteral("To save data to a HEX file, select the desired include options and choose ") +
               Quoted(QStringLiteral("File - Save Hex File As ...")),
           "LAB_IncludeHint");

    QVBoxLayout* override = b.Group(QStringLiteral("  Open HEX File - Override Record Options:"));
    c.selectMcu = b.IconButton("B_SelectMcu", QStringLiteral("Select MCU"), QStyle::SP_ComputerIcon);
    c.editIdValues = b.IconButton("B_EditId", QStringLiteral("Edit ID values"), QStyle::SP_FileDialogDetailedView);
    c.editEeData = b.IconButton("B_EditEe", QStringLiteral("Edit EE Data"), QStyle::SP_FileDialogContentsView);
    c.editConfigWord =
        b.IconButton("B_EditConfig", QStringLiteral("Edit Configuration Word"), QStyle::SP_FileDialogInfoView);
    const auto withButton = [&](int index, const QString& caption, QToolButton* button) {
        auto* row = new QHBoxLayout;
        b.Box(row, index, caption);
        row->addStretch(1);
        row->addWidget(button);
        override->addLayout(row);
    };
    withButton(2, QStringLiteral("Ignore MCU record in HEX file, use MCU from saved options. *"), c.selectMcu);
    b.Text(override, QStringLiteral("( this setting is ignored if the MCU is specified as a command-line option. )"));
    b.Text(override, QStringLiteral("Select MCU before changing these options."));
    withButton(53, QStringLiteral("Ignore ID record in HEX file, use data from saved options. *"), c.editIdValues);
    withButton(70, QStringLiteral("Ignore EE DATA record in HEX file, use data from saved options. *"), c.editEeData);
    withButton(71, QStringLiteral("Ignore FUSE record in HEX file, use data from saved options. *"), c.editConfigWord);
    b.Text(override,
           QStringLiteral("* When saving option settings, currently displayed data will be saved for selected record "
                          "overrides. Saved override data will be loaded when opening the associated HEX file or "
                          "changing the MCU."));
    b.Finish();
    c.pages[2] = b.Page();
}

void SerialNumbersPage(QTabWidget* tabs, OptionsDialogControls& c)
{
    PageBuilder b(tabs, QStringLiteral("Serial Numbers"), c);
    QWidget* page = b.Page();
    QVBoxLayout* group = b.Group(QStringLiteral("  Serial Number Options:"));
    b.Box(group, 37, QStringLiteral("Enable Serial Numbering"), "_SN");

    auto* sqtpRow = new QHBoxLayout;
    b.Box(sqtpRow, 38, QStringLiteral("Use Existing Microchip SQTP File"));
    c.selectSqtpFile = b.IconButton("B_SelectSqtp", QStringLiteral("Select File"), QStyle::SP_DialogOpenButton);
    sqtpRow->addWidget(c.selectSqtpFile);
    sqtpRow->addStretch(1);
    group->addLayout(sqtpRow);
    auto* files = new QGridLayout;
    files->setContentsMargins(24, 0, 0, 0);
    c.sqtpCaption = new QLabel(QStringLiteral("SQTP File:    "), page);
    c.sqtpFile = new QLabel(QStringLiteral("{NONE}"), page);
    c.sqtpFile->setObjectName(QStringLiteral("LAB_SqtpFile"));
    c.logCaption = new QLabel(QStringLiteral("Log File:       "), page);
    c.logFile = new QLabel(QStringLiteral("{NONE}"), page);
    c.logFile->setObjectName(QStringLiteral("LAB_LogFile"));
    files->addWidget(c.sqtpCaption, 0, 0);
    files->addWidget(c.sqtpFile, 0, 1);
    files->addWidget(c.logCaption, 1, 0);
    files->addWidget(c.logFile, 1, 1);
    files->setColumnStretch(1, 1);
    group->addLayout(files);

    b.Radio(group, 65, QStringLiteral("Place Serial Number in CODE Memory"));
    auto* retlw = new QHBoxLayout;
    retlw->setContentsMargins(24, 0, 0, 0);
    b.Box(retlw, 66, QStringLiteral("Encode each location as RETLW"));
    group->addLayout(retlw);
    b.Radio(group, 64, QStringLiteral("Place Serial Number in EEPROM Memory"));

    auto* fields = new QGridLayout;
    c.lengthCaption = new QLabel(QStringLiteral("Number of Locations to use:"), page);
    c.length = new QLineEdit(QStringLiteral("1"), page);
    c.length->setObjectName(QStringLiteral("ED_SnLength"));
    c.length->setMaxLength(1);
    c.length->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]?")), c.length));
    c.length->setFixedWidth(c.length->fontMetrics().horizontalAdvance(u'8') * 3);
    c.addressCaption = new QLabel(QStringLiteral("Place Serial Number at Address: "), page);
    c.address = new QLineEdit(QStringLiteral("3FFF"), page);
    c.address->setObjectName(QStringLiteral("ED_SnAddress"));
    c.address->setMaxLength(8);
    c.address->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9A-Fa-f]{0,8}")), c.address));
    c.address->setFixedWidth(c.address->fontMetrics().horizontalAdvance(QStringLiteral("FFFFFFFF")) + 16);
    fields->addWidget(c.lengthCaption, 0, 0);
    fields->addWidget(c.length, 0, 1, Qt::AlignLeft);
    fields->addWidget(c.addressCaption, 1, 0);
    fields->addWidget(c.address, 1, 1, Qt::AlignLeft);
    fields->setColumnStretch(2, 1);
    group->addLayout(fields);

    c.serialEditor =
        b.IconButton("B_SerialEditor", QStringLiteral("Go To Serial Number Editor"), QStyle::SP_ArrowForward);
    group->addWidget(c.serialEditor, 0, Qt::AlignLeft);
    b.Finish();
    c.pages[3] = page;
}

void AdvancedPage(QTabWidget* tabs, OptionsDialogControls& c)
{
    PageBuilder b(tabs, QStringLiteral("Advanced"), c);
    QWidget* page = b.Page();
    QVBoxLayout* pulse = b.Group(QStringLiteral("  FLASH Programming Pulse Width:"));
    c.pulseWidth = new QSlider(Qt::Horizontal, page);
    c.pulseWidth->setObjectName(QStringLiteral("TB_PulseWidth"));
    c.pulseWidth->setRange(1, 5);
    c.pulseWidth->setSingleStep(1);
    c.pulseWidth->setPageStep(1);
    c.pulseWidth->setTickPosition(QSlider::TicksBelow);
    c.pulseWidth->setTickInterval(1);
    c.pulseWidth->setAutoFillBackground(true);
    pulse->addWidget(c.pulseWidth);
    auto* marks = new QHBoxLayout;
    marks->addWidget(new QLabel(QStringLiteral("Tmin"), page));
    marks->addStretch(1);
    marks->addWidget(new QLabel(QStringLiteral("Tmin x1.5"), page));
    marks->addStretch(1);
    marks->addWidget(new QLabel(QStringLiteral("Tmin x2"), page));
    pulse->addLayout(marks);
    b.Text(pulse, QStringLiteral("Tmin is the Factory Recommended Minimum Pulse Width"));
    b.Text(pulse, QStringLiteral("Modify this setting in ") + Quoted(QStringLiteral("Less than Optimal")) +
                      QStringLiteral(" situations to ensure successful programming over voltage, temperature, "
                                     "device and circuit variations."));

    QVBoxLayout* power = b.Group(QStringLiteral("  Target Voltage Options:"));
    c.targetVdd = new QGroupBox(QStringLiteral(" Target VDD Option "), page);
    c.targetVdd->setObjectName(QStringLiteral("RG_TargetVdd"));
    auto* items = new QVBoxLayout(c.targetVdd);
    c.targetVddItems = new QButtonGroup(c.targetVdd);
    const QStringList captions{QStringLiteral("Monitor and Power the Target"),
                               QStringLiteral("Monitor a Self Powered Target")};
    for (int item = 0; item < captions.size(); ++item) {
        auto* button = new QRadioButton(captions.at(item), c.targetVdd);
        button->setObjectName(QStringLiteral("RB_Vdd%1").arg(item));
        items->addWidget(button);
        c.targetVddItems->addButton(button, item);
    }
    power->addWidget(c.targetVdd);
    b.Text(power, QStringLiteral("Selecting the Self Powered Target option will disable Praxon's Busy LED and "
                                 "enable the TVDDEN signal function."));
    b.Box(power, 77, QStringLiteral("Skip Power Cycles if Possible"));
    b.Text(power, QStringLiteral("Multiple task operations will cycle the power between each task on some MCUs. "
                                 "Select the Skip option to reduce the number of power down/up cycles when "
                                 "possible."));
    b.Box(power, 78, QStringLiteral("Override Power OFF Requirement"));
    b.Finish();
    c.pages[4] = page;
}
} // namespace

QList<QAbstractButton*> OptionsDialogControls::Boxes(int index) const
{
    QList<QAbstractButton*> found;
    const auto [first, last] = options.equal_range(index);
    for (auto it = first; it != last; ++it)
        found << it->second;
    return found;
}

void BuildOptionsPages(QTabWidget* tabs, OptionsDialogControls& controls)
{
    AutoOptionsPage(tabs, controls);
    GeneralPage(tabs, controls);
    HexPage(tabs, controls);
    SerialNumbersPage(tabs, controls);
    AdvancedPage(tabs, controls);
}
