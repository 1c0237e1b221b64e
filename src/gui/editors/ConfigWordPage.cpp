#include "gui/editors/ConfigWordPage.h"

#include "core/context/AppContext.h"
#include "core/editors/EditorCommands.h"
#include "core/model/OptionIndex.h"
#include "gui/editors/EditorLook.h"
#include "gui/options/OptionControlBinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QSlider>
#include <QToolButton>
#include <QVBoxLayout>

ConfigWordPage::ConfigWordPage(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("ConfigWordPage"));
    auto* layout = new QVBoxLayout(this);

    auto* boxes = new QHBoxLayout;
    auto* enable = new QCheckBox(QStringLiteral("Enable Fuse Options Programming"), this);
    auto* warn = new QCheckBox(QStringLiteral("Warn If Code/Data Protection is Enabled"), this);
    m_hexOptions = EditorLook::HexOptionsButton(this);
    boxes->addWidget(enable);
    boxes->addWidget(warn);
    boxes->addStretch(1);
    boxes->addWidget(m_hexOptions);
    layout->addLayout(boxes);
    auto* override = new QCheckBox(
        QStringLiteral("Use this FUSE information to override record in HEX file.   (see: HEX Options )"), this);
    layout->addWidget(override);
    OptionControlBinding::BindCheckBox(context, enable, OptionIndex::ProgramConfig);
    OptionControlBinding::BindCheckBox(context, warn, OptionIndex::WarnProtection);
    OptionControlBinding::BindCheckBox(context, override, OptionIndex::FuseOverride);

    auto* selectorRow = new QHBoxLayout;
    selectorRow->addWidget(new QLabel(QStringLiteral("  Configuration Word:"), this));
    m_wordNumber = new QLabel(QStringLiteral("1"), this);
    m_wordNumber->setObjectName(QStringLiteral("LAB_WordNumber"));
    m_wordNumber->setMinimumWidth(m_wordNumber->fontMetrics().horizontalAdvance(QStringLiteral("88")));
    selectorRow->addWidget(m_wordNumber);
    m_selector = new QSlider(Qt::Horizontal, this);
    m_selector->setObjectName(QStringLiteral("WordSelector"));
    m_selector->setPageStep(1);
    m_selector->setTickPosition(QSlider::TicksBelow);
    m_selector->setTickInterval(1);
    selectorRow->addWidget(m_selector, 1);
    layout->addLayout(selectorRow);

    auto* fields = new QGroupBox(this);
    auto* grid = new QGridLayout(fields);
    for (int i = 0; i < SlotCount; ++i) {
        auto* label = new QLabel(fields);
        label->setTextFormat(Qt::PlainText);
        label->setObjectName(QStringLiteral("LAB_Field%1").arg(i + 1));
        auto* box = new QComboBox(fields);
        box->setObjectName(QStringLiteral("CB_Field%1").arg(i + 1));
        box->setSizeAdjustPolicy(QComboBox::AdjustToContents);
        box->installEventFilter(this);
        label->setBuddy(box);
        const int row = i / 2;
        const int column = (i % 2) * 2;
        grid->addWidget(label, row, column, Qt::AlignRight);
        grid->addWidget(box, row, column + 1);
        m_labels[size_t(i)] = label;
        m_boxes[size_t(i)] = box;
        const int slot = i + 1;
        connect(box, &QComboBox::activated, this, [this, slot](int option) {
            if (!m_rendering)
                EditorCommands::ChooseFieldOption(m_context, slot, option);
        });
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    layout->addWidget(fields, 1);

    auto* result = new QHBoxLayout;
    result->addWidget(new QLabel(QStringLiteral("  HEX Value:"), this));
    m_hex = new QLabel(this);
    m_hex->setObjectName(QStringLiteral("LAB_HexValue"));
    result->addWidget(m_hex);
    result->addWidget(new QLabel(QStringLiteral("    Binary Value:  "), this));
    m_binary = new QLabel(this);
    m_binary->setObjectName(QStringLiteral("LAB_BinaryValue"));
    m_binary->setFont(EditorLook::ValueFont());
    m_hex->setFont(EditorLook::ValueFont());
    result->addWidget(m_binary);
    result->addStretch(1);
    layout->addLayout(result);

    connect(m_selector, &QSlider::valueChanged, this, [this](int position) {
        if (!m_rendering)
            EditorCommands::SelectConfigWord(m_context, position);
    });
    connect(&context.FieldSelectors(), &FieldSelectorSlots::Changed, this, &ConfigWordPage::Render);
    connect(&context.Image().Display(), &ImageDisplayState::Changed, this, &ConfigWordPage::ShowTexts);
    const QPointer<ConfigWordPage> self(this);
    context.Bindings().AddSwitch(OptionSwitch::ConfigWordInput, [self](bool on) {
        if (self)
            self->EnableInput(on);
    });
    EnableInput(context.Bindings().Switch(OptionSwitch::ConfigWordInput));
    Render();
}

void ConfigWordPage::Render()
{
    m_rendering = true;
    const FieldSelectorSlots& selectors = m_context.FieldSelectors();
    m_selector->setRange(0, selectors.WordSelectorMaximum());
    m_selector->setEnabled(selectors.WordSelectorEnabled());
    const int word = m_context.Profile().selectedWord;
    m_selector->setValue(word);
    m_wordNumber->setText(QString::number(word + 1));
    for (int i = 0; i < SlotCount; ++i) {
        const FieldSelectorSlot& slot = selectors.Slot(i + 1);
        QComboBox* box = m_boxes[size_t(i)];
        m_labels[size_t(i)]->setText(slot.label);
        box->clear();
        box->addItems(slot.options);
        box->setCurrentIndex(slot.selected);
        m_labels[size_t(i)]->setVisible(slot.visible);
        box->setVisible(slot.visible);
    }
    m_rendering = false;
    ShowTexts();
}

void ConfigWordPage::ShowTexts()
{
    const ImageDisplayState& display = m_context.Image().Display();
    m_hex->setText(display.SelectedWordHexText());
    m_binary->setText(display.SelectedWordBinaryText());
}

void ConfigWordPage::EnableInput(bool enabled)
{
    for (int i = 0; i < SlotCount; ++i) {
        m_boxes[size_t(i)]->setEnabled(enabled);
        m_labels[size_t(i)]->setEnabled(enabled);
        EditorLook::PaintInput(m_boxes[size_t(i)], enabled);
    }
}

bool ConfigWordPage::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::FocusIn) {
        const int word = m_context.Profile().selectedWord;
        for (int i = 0; i < SlotCount; ++i)
            if (watched == m_boxes[size_t(i)] && word >= 0 && word < int(m_lastEntered.size()))
                m_lastEntered[size_t(word)] = i;
    }
    return QWidget::eventFilter(watched, event);
}
