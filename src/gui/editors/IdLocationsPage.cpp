#include "gui/editors/IdLocationsPage.h"

#include "core/commands/ImageEdits.h"
#include "core/context/AppContext.h"
#include "core/editors/EditorCommands.h"
#include "core/image/IdLocations.h"
#include "core/model/OptionIndex.h"
#include "gui/editors/EditorLook.h"
#include "gui/options/OptionControlBinding.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
// A field that overtypes: a typed character replaces the one after the caret, so a field of fixed
// length takes new digits without first deleting old ones.
class OvertypeEdit : public QLineEdit
{
public:
    using QLineEdit::QLineEdit;

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        const QString typed = event->text();
        if (!typed.isEmpty() && typed.at(0).isPrint() && !hasSelectedText() && cursorPosition() < text().size())
            setSelection(cursorPosition(), 1);
        QLineEdit::keyPressEvent(event);
    }
};

constexpr ImageDisplayState::IdForm Forms[] = {ImageDisplayState::IdHex4, ImageDisplayState::IdAscii,
                                               ImageDisplayState::IdHex7};
} // namespace

IdLocationsPage::IdLocationsPage(AppContext& context, QWidget* parent) : QWidget(parent), m_context(context)
{
    setObjectName(QStringLiteral("IdLocationsPage"));
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("Identification Options:"), this);
    auto* inner = new QVBoxLayout(group);
    auto* top = new QHBoxLayout;
    auto* enable = new QCheckBox(QStringLiteral("Enable ID Location Programming"), group);
    m_hexOptions = EditorLook::HexOptionsButton(group);
    top->addWidget(enable);
    top->addStretch(1);
    top->addWidget(m_hexOptions);
    inner->addLayout(top);
    auto* override = new QCheckBox(
        QStringLiteral("Use these ID values to override ID record in HEX file.   (see: HEX Options )"), group);
    inner->addWidget(override);
    OptionControlBinding::BindCheckBox(context, enable, OptionIndex::ProgramId);
    OptionControlBinding::BindCheckBox(context, override, OptionIndex::IdOverride);

    auto* forms = new QGridLayout;
    const QString captions[] = {QStringLiteral("Use 4 Bit HEX Values"), QStringLiteral("Use 7 Bit ASCII Values"),
                                QStringLiteral("Use 7 Bit HEX Values")};
    const char* names[] = {"IdHex4", "IdAscii", "IdHex7"};
    for (int i = 0; i < 3; ++i) {
        const ImageDisplayState::IdForm form = Forms[i];
        auto* radio = new QRadioButton(captions[i], group);
        radio->setObjectName(QStringLiteral("RB_") + QLatin1String(names[i]));
        radio->setAutoExclusive(false); // the option table keeps the three apart
        auto* field = new OvertypeEdit(group);
        field->setObjectName(QStringLiteral("ED_") + QLatin1String(names[i]));
        field->setFont(EditorLook::ValueFont());
        field->setMinimumWidth(field->fontMetrics().horizontalAdvance(QString(18, u'W')));
        forms->addWidget(radio, i, 0);
        forms->addWidget(field, i, 1);
        m_radios[size_t(form)] = radio;
        m_fields[size_t(form)] = field;
        OptionControlBinding::BindRadioButton(context, radio, EditorCommands::IdFormOption(form));
        connect(field, &QLineEdit::textEdited, this, [this, form](const QString& text) { Edited(form, text); });
    }
    forms->setColumnStretch(2, 1);
    inner->addLayout(forms);
    layout->addWidget(group);
    layout->addStretch(1);

    connect(&context.Image().Display(), &ImageDisplayState::Changed, this, &IdLocationsPage::Render);
    const QPointer<IdLocationsPage> self(this);
    context.Bindings().AddSwitch(OptionSwitch::IdFields, [self](bool) {
        if (self)
            self->Render();
    });
    // The mode is decided later in the refresh than the ID fields' switch.
    OptionBindings& bindings = context.Bindings();
    bindings.idModeChanged = [previous = bindings.idModeChanged, self](int index) {
        if (previous)
            previous(index);
        if (self)
            self->Render();
    };
    Render();
}

void IdLocationsPage::Render()
{
    m_rendering = true;
    const ImageDisplayState& display = m_context.Image().Display();
    for (ImageDisplayState::IdForm form : Forms) {
        QLineEdit* field = m_fields[size_t(form)];
        const bool enabled = EditorCommands::IdFieldEnabled(m_context, form);
        field->setMaxLength(EditorCommands::IdFieldLength(m_context, form));
        field->setEnabled(enabled);
        EditorLook::PaintInput(field, enabled);
        const QString& text = display.IdText(form);
        if (field->text() != text) {
            // The caret stays where the operator typed.
            const int caret = field->cursorPosition();
            field->setText(text);
            field->setCursorPosition(caret);
        }
    }
    m_rendering = false;
}

void IdLocationsPage::Edited(ImageDisplayState::IdForm form, const QString& text)
{
    if (m_rendering)
        return;
    QString typed = text;
    if (form != ImageDisplayState::IdAscii) {
        // The hexadecimal fields take lower-case digits as capitals.
        for (QChar& c : typed)
            if (c >= u'a' && c <= u'f')
                c = c.toUpper();
    }
    QLineEdit* field = m_fields[size_t(form)];
    if (typed != text) {
        const int caret = field->cursorPosition();
        field->setText(typed);
        field->setCursorPosition(caret);
    }
    ParseIdEdit(m_context, typed);
}
