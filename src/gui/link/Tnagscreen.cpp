#include "gui/link/Tnagscreen.h"

#include "core/context/OperatorInterface.h"

#include <QApplication>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <QVBoxLayout>

Tnagscreen::Tnagscreen(QWidget* parent) : QDialog(parent)
{
    setModal(true);
    auto* upper = new QWidget(this);
    upper->setAutoFillBackground(true);
    QPalette tip = upper->palette();
    tip.setColor(QPalette::Window, QApplication::palette().color(QPalette::ToolTipBase));
    tip.setColor(QPalette::WindowText, QApplication::palette().color(QPalette::ToolTipText));
    upper->setPalette(tip);

    auto* icon = new QLabel(upper);
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(32, 32));
    icon->setAlignment(Qt::AlignTop);
    // Plain text: an '&' in the notice is shown as it is, never as an accelerator.
    m_text = new QLabel(upper);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setWordWrap(true);
    m_text->setMinimumWidth(360);
    auto* upperLayout = new QHBoxLayout(upper);
    upperLayout->addWidget(icon);
    upperLayout->addWidget(m_text, 1);

    m_checkBox = new QCheckBox(this);
    m_checkBox->setMaximumWidth(MaxCheckBoxWidth);
    m_password = new QLineEdit(this);
    m_password->setEchoMode(QLineEdit::Password);
    m_password->setMaxLength(MaxPasswordLength);
    connect(m_password, &QLineEdit::textChanged, this, [this](const QString& text) { m_enteredPassword = text; });

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);

    auto* lower = new QHBoxLayout;
    lower->addWidget(m_checkBox, 1);
    lower->addWidget(m_password, 1);
    lower->addWidget(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(upper, 1);
    layout->addLayout(lower);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

bool Tnagscreen::ShowNotice(const QString& title, const QString& text, bool passwordMode, const QString& checkText,
                            bool ticked)
{
    m_checkBox->setEnabled(true);
    setWindowTitle(title);
    m_text->setText(DisplayText(text));
    m_checkBox->setText(checkText);
    m_checkBox->setChecked(ticked);
    m_password->setText(m_enteredPassword);
    m_password->setVisible(passwordMode);
    m_checkBox->setVisible(!passwordMode);
    if (m_shownHook)
        QTimer::singleShot(0, this, [this] { m_shownHook(*this); });
    exec();
    // Closing by the title bar answers like "OK": the tick is read either way.
    return passwordMode ? ticked : m_checkBox->isChecked();
}
