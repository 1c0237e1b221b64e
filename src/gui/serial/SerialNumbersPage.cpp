#include "gui/serial/SerialNumbersPage.h"

#include "core/engine/SocketMasks.h"
#include "core/engine/SocketPanel.h"
#include "core/serial/SerialNumberPage.h"

#include <QCheckBox>
#include <QFrame>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
using Look = SerialNumberPage::Look;
const QColor AutomaticTopColour(170, 187, 204);
const QColor HighlightColour(192, 207, 204);

QLineEdit* NumberField(const QString& name)
{
    auto* field = new QLineEdit;
    field->setObjectName(name);
    field->setMinimumWidth(150);
    return field;
}
} // namespace

SerialNumbersPage::SerialNumbersPage(SerialNumberPage& page, SocketPanel& sockets, QWidget* parent)
    : QWidget(parent), m_page(page), m_sockets(sockets), m_topHex(NumberField(QStringLiteral("ED_LastHex"))),
      m_topDecimal(NumberField(QStringLiteral("ED_LastDecimal"))),
      m_auto(new QCheckBox(QStringLiteral("Auto Increment -  Disable to manually enter serial numbers or to edit the "
                                          "Last Serial Number used."))),
      m_options(new QToolButton)
{
    setObjectName(QStringLiteral("SerialNumbersPage"));
    m_options->setObjectName(QStringLiteral("B_SerialOptions"));
    m_options->setToolTip(QStringLiteral("Show Serial Number Options"));
    m_options->setAccessibleName(m_options->toolTip());
    m_options->setIcon(style()->standardIcon(QStyle::SP_FileDialogDetailedView));
    auto* layout = new QVBoxLayout(this);
    auto* top = new QGridLayout;
    top->addWidget(new QLabel(QStringLiteral("Last Number Used:    HEX")), 0, 0);
    top->addWidget(m_topHex, 0, 1);
    top->addWidget(new QLabel(QStringLiteral("Decimal")), 0, 2);
    top->addWidget(m_topDecimal, 0, 3);
    top->addWidget(m_auto, 1, 0, 1, 3);
    top->addWidget(m_options, 1, 3, Qt::AlignLeft);
    layout->addLayout(top);
    m_topHex->installEventFilter(this);

    for (int s = 0; s < 4; ++s) {
        auto* row = new QFrame;
        row->setObjectName(QStringLiteral("Socket%1Row").arg(QChar(Sockets::Letter[size_t(s)])));
        row->setFrameShape(QFrame::StyledPanel);
        row->setAutoFillBackground(true);
        auto* grid = new QGridLayout(row);
        m_hex[size_t(s)] = NumberField(QStringLiteral("ED_Hex%1").arg(s));
        m_decimal[size_t(s)] = NumberField(QStringLiteral("ED_Decimal%1").arg(s));
        m_status[size_t(s)] = new QLabel;
        grid->addWidget(new QLabel(QStringLiteral("Socket ") + QChar(Sockets::Letter[size_t(s)])), 0, 0);
        grid->addWidget(new QLabel(QStringLiteral("HEX")), 0, 1);
        grid->addWidget(m_hex[size_t(s)], 0, 2);
        grid->addWidget(new QLabel(QStringLiteral("Decimal")), 0, 3);
        grid->addWidget(m_decimal[size_t(s)], 0, 4);
        grid->addWidget(m_status[size_t(s)], 0, 5);
        m_rows[size_t(s)] = row;
        layout->addWidget(row);
        connect(m_hex[size_t(s)], &QLineEdit::textEdited, this, [this, s](const QString& t) { m_page.EditHex(s, t); });
        connect(m_decimal[size_t(s)], &QLineEdit::textEdited, this,
                [this, s](const QString& t) { m_page.EditDecimal(s, t); });
    }
    layout->addStretch();
    connect(m_topHex, &QLineEdit::textEdited, this,
            [this](const QString& t) { m_page.EditHex(SerialNumberPage::TopRow, t); });
    connect(m_topDecimal, &QLineEdit::textEdited, this,
            [this](const QString& t) { m_page.EditDecimal(SerialNumberPage::TopRow, t); });
    connect(m_auto, &QCheckBox::clicked, this, [this](bool on) { m_page.AutoIncrementClicked(on); });
    connect(m_options, &QToolButton::clicked, this, &SerialNumbersPage::OptionsRequested);
    connect(&m_page, &SerialNumberPage::Changed, this, &SerialNumbersPage::Render);
    connect(&m_sockets, &SocketPanel::Changed, this, &SerialNumbersPage::Render);
    Render();
}

QLineEdit* SerialNumbersPage::HexField(int field) const
{
    return field == SerialNumberPage::TopRow ? m_topHex : m_hex.at(size_t(field));
}

QLineEdit* SerialNumbersPage::DecimalField(int field) const
{
    return field == SerialNumberPage::TopRow ? m_topDecimal : m_decimal.at(size_t(field));
}

bool SerialNumbersPage::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_topHex && event->type() == QEvent::KeyPress) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        if (text.size() == 1) {
            QChar key = text[0];
            if (!m_page.FilterHexKey(key))
                return true;
            if (key != text[0]) {
                m_topHex->insert(QString(key));
                m_page.EditHex(SerialNumberPage::TopRow, m_topHex->text());
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void SerialNumbersPage::Paint(QLineEdit* field, int look, bool editable)
{
    QPalette palette = field->palette();
    const QPalette standard = this->palette();
    switch (Look(look)) {
    case Look::Disabled: palette.setColor(QPalette::Base, standard.color(QPalette::Dark)); break;
    case Look::AutomaticTop: palette.setColor(QPalette::Base, AutomaticTopColour); break;
    case Look::AutomaticSocket: palette.setColor(QPalette::Base, standard.color(QPalette::Button)); break;
    case Look::Editable: palette.setColor(QPalette::Base, standard.color(QPalette::Base)); break;
    }
    field->setPalette(palette);
    field->setReadOnly(!editable);
}

void SerialNumbersPage::Render()
{
    if (m_rendering)
        return;
    m_rendering = true;
    const bool editable = m_page.FieldsEditable();
    auto show = [&](int field) {
        QLineEdit* hex = HexField(field);
        QLineEdit* decimal = DecimalField(field);
        // A field being typed in keeps its text; the model re-renders it when it changes.
        if (!hex->hasFocus())
            hex->setText(m_page.HexText(field));
        if (!decimal->hasFocus())
            decimal->setText(m_page.DecimalText(field));
        hex->setMaxLength(m_page.HexMaxLength());
        decimal->setMaxLength(m_page.DecimalMaxLength());
        Paint(hex, int(m_page.FieldLook(field)), editable);
        Paint(decimal, int(m_page.FieldLook(field)), editable);
    };
    show(SerialNumberPage::TopRow);
    m_auto->setChecked(m_page.AutoIncrementChecked());
    m_auto->setEnabled(m_page.AutoIncrementEnabled());
    for (int s = 0; s < 4; ++s) {
        show(s);
        m_status[size_t(s)]->setText(m_page.StatusText(s));
        m_rows[size_t(s)]->setVisible(m_sockets.Indicator(s).douse());
        QPalette palette = m_rows[size_t(s)]->palette();
        palette.setColor(QPalette::Window,
                         m_page.HighlightedSocket() == s ? HighlightColour : this->palette().color(QPalette::Window));
        m_rows[size_t(s)]->setPalette(palette);
    }
    m_rendering = false;
}
