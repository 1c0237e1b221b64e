#include "gui/devices/Tseldevdlg.h"

#include "core/commands/SelectDeviceCommand.h"
#include "core/context/AppContext.h"
#include "gui/options/WindowPlacementBinder.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace {
const QColor ListBackground(226, 235, 241);
} // namespace

Tseldevdlg::Tseldevdlg(AppContext& context, QWidget* parent)
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint), m_context(context),
      m_list(new QListWidget(this)), m_note(new QLabel(this)), m_ok(new QPushButton(QStringLiteral("OK"), this))
{
    setObjectName(QStringLiteral("Tseldevdlg"));
    setWindowTitle(QStringLiteral("Device Select"));
    setMinimumSize(MinimumWidth, MinimumHeight);
    setSizeGripEnabled(true);

    m_list->setObjectName(QStringLiteral("LB_Devices"));
    // Entries run down the first column and on into the next, as a multi-column list box does.
    m_list->setFlow(QListView::TopToBottom);
    m_list->setWrapping(true);
    m_list->setResizeMode(QListView::Adjust);
    m_list->setUniformItemSizes(true);
    m_list->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_list->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    QPalette listPalette = m_list->palette();
    listPalette.setColor(QPalette::Base, ListBackground);
    m_list->setPalette(listPalette);
    m_list->installEventFilter(this);

    auto* notes = new QGroupBox(QStringLiteral("Support Notes:"), this);
    notes->setObjectName(QStringLiteral("GB_Notes"));
    m_note->setObjectName(QStringLiteral("LAB_Note"));
    m_note->setAlignment(Qt::AlignCenter);
    m_note->setWordWrap(true);
    m_note->setTextFormat(Qt::PlainText);
    m_note->setAutoFillBackground(true);
    QFont bold = m_note->font();
    bold.setBold(true);
    m_note->setFont(bold);
    auto* notesLayout = new QVBoxLayout(notes);
    notesLayout->addWidget(m_note);

    auto* suffixes = new QLabel(QStringLiteral("Device suffixes are important to proper programming!"), this);
    suffixes->setObjectName(QStringLiteral("LAB_Suffixes"));
    m_ok->setObjectName(QStringLiteral("B_Ok"));
    m_ok->setDefault(true);
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(suffixes, 1);
    bottom->addWidget(m_ok);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_list, 1);
    layout->addWidget(notes);
    layout->addLayout(bottom);

    connect(m_list, &QListWidget::currentRowChanged, this, &Tseldevdlg::ShowNote);
    connect(m_list, &QListWidget::itemDoubleClicked, this, &QDialog::accept);
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);

    new WindowPlacementBinder(context, RememberedWindow::DeviceSelect, this);
}

void Tseldevdlg::Fill()
{
    EnsureDeviceListNotEmpty(m_context);
    const DeviceList& devices = m_context.Devices();
    m_list->clear();
    for (const QString& line : devices.Lines())
        m_list->addItem(DeviceList::KeyOf(line));
    const int selected = devices.SelectedIndex();
    m_list->setCurrentRow(selected >= 0 && selected < m_list->count() ? selected : -1);
    ShowNote();
    LayOutColumns();
}

int Tseldevdlg::HighlightedIndex() const
{
    return m_list->currentRow();
}

void Tseldevdlg::ShowNote()
{
    const QListWidgetItem* item = m_list->currentItem();
    const DeviceNote note = DeviceNoteFor(m_context, item ? item->text() : QString());
    m_note->setText(note.text);
    QPalette palette = m_note->palette();
    const QPalette standard = this->palette();
    palette.setColor(QPalette::Window,
                     note.highlighted ? standard.color(QPalette::ToolTipBase) : standard.color(QPalette::Window));
    palette.setColor(QPalette::WindowText,
                     note.highlighted ? standard.color(QPalette::ToolTipText) : standard.color(QPalette::WindowText));
    m_note->setPalette(palette);
}

void Tseldevdlg::LayOutColumns()
{
    const int width = m_list->viewport()->width() / Columns;
    const int height = m_list->fontMetrics().height() + 2;
    if (width > 0)
        m_list->setGridSize(QSize(width, height));
}

bool Tseldevdlg::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_list && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) {
            accept();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void Tseldevdlg::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    LayOutColumns();
    if (m_list->currentItem())
        m_list->scrollToItem(m_list->currentItem());
}

void Tseldevdlg::resizeEvent(QResizeEvent* event)
{
    QDialog::resizeEvent(event);
    LayOutColumns();
}
