#include "gui/app/TPXinfo.h"

#include "core/model/ImageDisplayState.h"
#include "gui/app/FixedPitchFont.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TPXinfo::TPXinfo(ImageDisplayState& display, QWidget* parent)
    : QWidget(parent, Qt::Tool), m_display(display), m_text(new QPlainTextEdit(this)),
      m_close(new QPushButton(QStringLiteral("Close"), this))
{
    setObjectName(QStringLiteral("Appinfo_form"));
    setWindowTitle(QStringLiteral("Information"));
    m_text->setObjectName(QStringLiteral("Memo_Info"));
    m_text->setReadOnly(true);
    m_text->setFont(FixedPitchFont());
    m_text->setLineWrapMode(QPlainTextEdit::NoWrap);
    m_text->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QPalette palette = m_text->palette();
    palette.setColor(QPalette::Base, QColor(226, 235, 241));
    palette.setColor(QPalette::Text, Qt::black);
    m_text->setPalette(palette);
    m_close->setObjectName(QStringLiteral("B_Close"));

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_close);
    layout->addLayout(buttons);
    resize(520, 420);

    connect(m_close, &QPushButton::clicked, this, &QWidget::close);
    connect(&display, &ImageDisplayState::Changed, this, &TPXinfo::ShowState);
    ShowState();
}

void TPXinfo::ShowState()
{
    const QString& caption = m_display.InformationCaption();
    setWindowTitle(caption.isEmpty() ? QStringLiteral("Information") : caption);
    if (m_text->toPlainText() != m_display.InformationText())
        m_text->setPlainText(m_display.InformationText());
}
