#include "gui/app/InformationGroup.h"

#include "core/context/MainWindowState.h"
#include "gui/app/FixedPitchFont.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QVBoxLayout>

namespace {
const QColor MemoBackground(226, 235, 241);

void SetUpMemo(QPlainTextEdit& memo)
{
    memo.setReadOnly(true);
    memo.setLineWrapMode(QPlainTextEdit::NoWrap);
    memo.setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo.setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    memo.setFont(FixedPitchFont());
    QPalette palette = memo.palette();
    palette.setColor(QPalette::Base, MemoBackground);
    memo.setPalette(palette);
}

// Rewriting unchanged text would throw away the reader's scroll position; shown is the text the
// memo was last given.
void ShowText(QPlainTextEdit& memo, QString& shown, const QString& text)
{
    if (shown != text) {
        shown = text;
        memo.setPlainText(text);
    }
}
} // namespace

InformationGroup::InformationGroup(MainWindowState& state, QWidget* parent)
    : QWidget(parent), m_state(state), m_informationHeader(new QLabel(QStringLiteral("Information:"))),
      m_fuseHeader(new QLabel(QStringLiteral("Current Fuse Settings"))), m_information(new QPlainTextEdit),
      m_fuses(new QPlainTextEdit), m_splitter(new QSplitter(Qt::Horizontal, this))
{
    m_information->setObjectName(QStringLiteral("InformationMemo"));
    m_fuses->setObjectName(QStringLiteral("FuseMemo"));
    m_splitter->setObjectName(QStringLiteral("InformationSplitter"));
    SetUpMemo(*m_information);
    SetUpMemo(*m_fuses);

    m_splitter->addWidget(MakePane(m_informationHeader, m_information));
    m_splitter->addWidget(MakePane(m_fuseHeader, m_fuses));
    m_splitter->setChildrenCollapsible(false);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(m_splitter);

    connect(&m_state, &MainWindowState::Changed, this, &InformationGroup::ShowState);
    ShowState();
}

int InformationGroup::HeaderHeight() const
{
    return m_informationHeader->sizeHint().height();
}

void InformationGroup::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    const int total = m_splitter->width() - m_splitter->handleWidth();
    m_splitter->setSizes({total - total / 2, total / 2});
}

QWidget* InformationGroup::MakePane(QLabel* header, QPlainTextEdit* memo)
{
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(1);
    header->setContentsMargins(2, 1, 2, 1);
    layout->addWidget(header);
    layout->addWidget(memo, 1);
    return pane;
}

void InformationGroup::ShowState()
{
    ShowText(*m_information, m_shownInformation, m_state.InformationText());
    ShowText(*m_fuses, m_shownFuses, m_state.FuseSummaryText());
}
