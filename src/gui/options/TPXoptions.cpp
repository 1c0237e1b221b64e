#include "gui/options/TPXoptions.h"

#include "core/app/FileCommands.h"
#include "core/app/OptionsDialogCommands.h"
#include "core/context/AppContext.h"
#include "core/model/ImageDisplayState.h"
#include "core/model/OptionIndex.h"
#include "core/options/OptionRefresh.h"
#include "core/util/ErrorOut.h"
#include "gui/options/OptionControlBinding.h"
#include "gui/options/WindowPlacementBinder.h"

#include <QAbstractButton>
#include <QButtonGroup>
#include <QFileInfo>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSlider>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
using namespace OptionIndex;
namespace Commands = OptionsDialogCommands;

// A file name label: the file's name, or the store's placeholder text ("[none]") as it is.
QString FileLabel(const QString& path)
{
    if (path.isEmpty() || path.startsWith(u'['))
        return path.isEmpty() ? QStringLiteral("{NONE}") : path;
    return QFileInfo(path).fileName();
}

void SetFieldLook(QLineEdit* field, Commands::FieldLook look)
{
    QPalette palette = field->palette();
    const QPalette standard = field->style()->standardPalette();
    QPalette::ColorRole role = QPalette::Base;
    if (look == Commands::FieldLook::Disabled)
        role = QPalette::Dark;
    else if (look == Commands::FieldLook::FromSqtp)
        role = QPalette::Button;
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Base, standard.color(group, role));
    field->setPalette(palette);
    field->setReadOnly(look != Commands::FieldLook::Editable);
}

void SetText(QLineEdit* field, const QString& text)
{
    if (field->text() != text) {
        const QSignalBlocker quiet(field);
        field->setText(text);
    }
}
} // namespace

TPXoptions::TPXoptions(AppContext& context, AppShell& shell, QWidget* parent)
    : QDialog(parent, Qt::Tool), m_context(context), m_shell(shell)
{
    setObjectName(QStringLiteral("TPXoptions"));
    setWindowTitle(QStringLiteral("Praxon Options"));
    setModal(false);

    auto* layout = new QVBoxLayout(this);
    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName(QStringLiteral("PC_Options"));
    BuildOptionsPages(m_tabs, m_controls);
    layout->addWidget(m_tabs, 1);
    m_lockedNotice = new QLabel(QStringLiteral("{ Option access has been Disabled }"), this);
    m_lockedNotice->setObjectName(QStringLiteral("LAB_Disabled"));
    m_lockedNotice->setAlignment(Qt::AlignCenter);
    m_lockedNotice->hide();
    layout->addWidget(m_lockedNotice, 1);

    auto* bar = new QHBoxLayout;
    auto* note =
        new QLabel(QStringLiteral("All Option settings are saved to a file named after the currently loaded HEX file.  "
                                  "[*.PXC] "),
                   this);
    note->setWordWrap(true);
    bar->addWidget(note, 1);
    m_saveNow = new QPushButton(QStringLiteral("Save Option Settings Now"), this);
    m_saveNow->setObjectName(QStringLiteral("B_SaveNow"));
    m_saveNow->setEnabled(false);
    m_reset = new QPushButton(QStringLiteral("Reset All Options to Default"), this);
    m_reset->setObjectName(QStringLiteral("B_Reset"));
    m_ok = new QPushButton(QStringLiteral("OK"), this);
    m_ok->setObjectName(QStringLiteral("B_Ok"));
    m_ok->setDefault(true);
    bar->addWidget(m_saveNow);
    bar->addWidget(m_reset);
    bar->addWidget(m_ok);
    layout->addLayout(bar);

    new WindowPlacementBinder(context, RememberedWindow::Options, this);
    BindOptions();
    ConnectHandlers();
}

void TPXoptions::ShowPage(OptionsPage page)
{
    if (m_context.Options().OptionsHidden())
        return;
    m_tabs->setCurrentWidget(Page(page));
    show();
    raise();
    activateWindow();
}

void TPXoptions::BindOptions()
{
    AppContext& ctx = m_context;
    // These entries' clicks do more than the click protocol; the handlers below take them.
    const QList<int> ownHandlers{HighSpeed, SerialNumbering, UseSqtp, SerialInEe, SerialInCode};
    for (const auto& [index, button] : m_controls.options) {
        if (ownHandlers.contains(index))
            OptionControlBinding::BindDisplay(ctx, button, index);
        else if (qobject_cast<QRadioButton*>(button))
            OptionControlBinding::BindRadioButton(ctx, button, index);
        else
            OptionControlBinding::BindCheckBox(ctx, button, index);
    }
    OptionControlBinding::BindEnabled(ctx, OptionSwitch::SaveSettingsNow, m_saveNow);
    OptionControlBinding::BindEnabled(ctx, OptionSwitch::EditEeDataButton, m_controls.editEeData);
    for (QWidget* widget :
         std::initializer_list<QWidget*>{m_controls.selectSqtpFile, m_controls.sqtpCaption, m_controls.sqtpFile,
                                         m_controls.logCaption, m_controls.logFile})
        OptionControlBinding::BindEnabled(ctx, OptionSwitch::SqtpFileControls, widget);

    OptionBindings& bindings = ctx.Bindings();
    const QPointer<TPXoptions> self(this);
    bindings.AddSwitch(OptionSwitch::OptionEditing, [self](bool unlocked) {
        if (self)
            self->ShowLock(unlocked);
    });
    bindings.AddSwitch(OptionSwitch::PulseWidthSlider, [self](bool enabled) {
        if (self)
            self->ShowPulseWidthSlider(enabled);
    });
    bindings.AddControl(PulseWidth, [self](const OptionControlState&) {
        if (!self)
            return;
        const QSignalBlocker quiet(self->m_controls.pulseWidth);
        self->m_controls.pulseWidth->setValue(self->m_context.Options().PulseWidthPosition());
    });
    bindings.AddControl(NoVdd, [self](const OptionControlState& state) {
        if (!self)
            return;
        self->m_controls.targetVdd->setEnabled(state.enabled);
        self->m_controls.targetVddItems->button(state.checked ? 1 : 0)->setChecked(true);
    });
    bindings.AddControl(UseSqtp, [self](const OptionControlState&) {
        if (!self)
            return;
        const SerialNumberSettings& serial = self->m_context.SerialSettings();
        self->m_controls.sqtpFile->setText(FileLabel(serial.sqtpFile));
        self->m_controls.logFile->setText(FileLabel(serial.logFile));
    });
    bindings.AddStage(OptionStage::SerialNumberControls, [self] {
        if (self)
            self->ShowSerialNumberControls();
    });
    bindings.AddStage(OptionStage::SerialNumberAddress, [self] {
        if (self)
            self->ShowStartAddress();
    });
    bindings.closeOptionsDialog = [self]() {
        if (!self || !self->isVisible())
            return false;
        self->close();
        // Closed by the program, not by the operator: not open next time, even at program exit.
        self->m_context.Workstation().Placement(RememberedWindow::Options).open = 0;
        return true;
    };
    bindings.showOptionsDialog = [self](OptionsPage page) {
        if (self)
            self->ShowPage(page);
    };
}

void TPXoptions::ConnectHandlers()
{
    AppContext& ctx = m_context;
    const OptionsDialogControls& c = m_controls;
    for (QAbstractButton* box : c.Boxes(HighSpeed))
        connect(box, &QAbstractButton::clicked, this, [&ctx](bool on) { Commands::HighSpeedClicked(ctx, on); });
    for (int index : {SerialNumbering, UseSqtp})
        for (QAbstractButton* box : c.Boxes(index))
            connect(box, &QAbstractButton::clicked, this,
                    [&ctx, index](bool on) { Commands::SerialNumberingClicked(ctx, index, on); });
    for (QAbstractButton* radio : c.Boxes(SerialInCode))
        connect(radio, &QAbstractButton::clicked, this,
                [&ctx](bool on) { Commands::PlaceSerialNumber(ctx, true, on); });
    for (QAbstractButton* radio : c.Boxes(SerialInEe))
        connect(radio, &QAbstractButton::clicked, this,
                [&ctx](bool on) { Commands::PlaceSerialNumber(ctx, false, on); });

    connect(c.targetVddItems, &QButtonGroup::idClicked, this, [this](int item) {
        if (!Commands::TargetVddChosen(m_context, item))
            m_controls.targetVddItems->button(0)->setChecked(true);
    });
    connect(c.pulseWidth, &QSlider::valueChanged, this,
            [&ctx](int position) { Commands::PulseWidthMoved(ctx, position); });
    connect(c.password, &QLineEdit::textEdited, this,
            [&ctx](const QString& text) { Commands::PasswordEdited(ctx, text); });
    connect(c.length, &QLineEdit::textEdited, this, [this](const QString& text) {
        const Commands::SerialFieldTexts shown = Commands::LengthEdited(m_context, text, m_controls.address->text());
        SetText(m_controls.length, shown.length);
        SetText(m_controls.address, shown.address);
    });
    connect(c.address, &QLineEdit::textEdited, this, [this](const QString& text) {
        SetText(m_controls.address, Commands::AddressEdited(m_context, text.toUpper()));
    });

    connect(c.selectSqtpFile, &QToolButton::clicked, this, [&ctx] {
        if (ctx.Bindings().selectSqtpFile)
            ctx.Bindings().selectSqtpFile();
    });
    connect(c.editEeData, &QToolButton::clicked, this, [this] { OpenEditorPage(EditorPage::EeData); });
    connect(c.editConfigWord, &QToolButton::clicked, this, [this] { OpenEditorPage(EditorPage::ConfigWord); });
    connect(c.editIdValues, &QToolButton::clicked, this, [this] { OpenEditorPage(EditorPage::IdValues); });
    connect(c.serialEditor, &QToolButton::clicked, this, [this] { OpenEditorPage(EditorPage::SerialNumbers); });
    connect(c.selectMcu, &QToolButton::clicked, this, &TPXoptions::SelectMcuRequested);

    connect(m_saveNow, &QPushButton::clicked, this, &TPXoptions::SaveNow);
    connect(m_reset, &QPushButton::clicked, this, [&ctx] { Commands::ResetAllToDefault(ctx); });
    connect(m_ok, &QPushButton::clicked, this, &QWidget::close);
}

void TPXoptions::ShowSerialNumberControls()
{
    const Commands::SerialFieldState state = Commands::SerialFields(m_context);
    for (QWidget* widget : std::initializer_list<QWidget*>{m_controls.lengthCaption, m_controls.length,
                                                           m_controls.addressCaption, m_controls.address})
        widget->setEnabled(state.enabled);
    SetFieldLook(m_controls.length, state.look);
    SetFieldLook(m_controls.address, state.look);
}

void TPXoptions::ShowStartAddress()
{
    if (m_context.Workstation().Loading())
        return;
    SetText(m_controls.address, Commands::StartAddressText(m_context));
    const int length = qBound(int(SerialNumberSettings::MinimumLength), int(m_context.SerialSettings().length),
                              int(SerialNumberSettings::MaximumLength));
    SetText(m_controls.length, QString::number(length));
}

void TPXoptions::ShowPulseWidthSlider(bool enabled)
{
    QSlider* slider = m_controls.pulseWidth;
    slider->setEnabled(enabled);
    QPalette palette = slider->palette();
    const QColor colour =
        enabled ? slider->style()->standardPalette().color(QPalette::ToolTipBase) : QColor(128, 128, 128);
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
        palette.setColor(group, QPalette::Window, colour);
    slider->setPalette(palette);
}

void TPXoptions::ShowLock(bool unlocked)
{
    m_tabs->setVisible(unlocked);
    m_lockedNotice->setVisible(!unlocked);
    SetText(m_controls.password, m_context.Options().Password());
}

void TPXoptions::OpenEditorPage(EditorPage page)
{
    const auto& show = m_context.Bindings().showEditorPage;
    if (!show || !show(page))
        return;
    // The EE grid is rebuilt for the device, which may have changed since it was last shown.
    if (page == EditorPage::EeData)
        m_context.Image().RefreshEditorView(m_context.Profile(), ImageDisplayState::EeDataPage);
}

void TPXoptions::SaveNow()
{
    try {
        FileCommands::SaveOptionSettingsNow(m_context, m_shell);
    } catch (const ErrorOut& fault) {
        m_context.Operator().ShowError(QStringLiteral("Praxon MCU Programmer"), fault.Message());
        // The save did not finish: the interface is unlocked again and the edits stay unsaved.
        if (m_context.Bindings().lockForRun)
            m_context.Bindings().lockForRun(false);
        m_saveNow->setEnabled(m_context.Flags().SettingsDirty);
    }
}
