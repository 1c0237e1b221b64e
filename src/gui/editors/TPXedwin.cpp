#include "gui/editors/TPXedwin.h"

#include "core/context/AppContext.h"
#include "core/editors/EditorCommands.h"
#include "core/model/OptionIndex.h"
#include "gui/editors/ConfigWordPage.h"
#include "gui/editors/EditorLook.h"
#include "gui/editors/IdLocationsPage.h"
#include "gui/editors/TPXedit.h"
#include "gui/options/OptionControlBinding.h"
#include "gui/options/WindowPlacementBinder.h"
#include "gui/serial/SerialNumbersPage.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QLabel* NotAvailable(QWidget* parent)
{
    auto* label = new QLabel(QStringLiteral("[Not Available]"), parent);
    label->setObjectName(QStringLiteral("LAB_NotAvailable"));
    label->setAlignment(Qt::AlignCenter);
    return label;
}
} // namespace

TPXedwin::TPXedwin(AppContext& context, SerialNumberPage* serialPage, SocketPanel* sockets, QWidget* parent)
    : QDialog(parent), m_context(context)
{
    setObjectName(QStringLiteral("TPXedwin"));
    setWindowTitle(QStringLiteral("Praxon Editors"));
    setModal(false);
    auto* layout = new QVBoxLayout(this);
    m_pages = new QTabWidget(this);
    m_pages->setObjectName(QStringLiteral("EditorPages"));
    m_pages->addTab(CreateCalibrationPage(), QStringLiteral("Calibration Memory"));
    m_pages->addTab(CreateCodePage(), QStringLiteral("Code Memory"));
    m_pages->addTab(CreateDataPage(), QStringLiteral("Data Memory"));
    m_idPage = new IdLocationsPage(context, m_pages);
    m_pages->addTab(m_idPage, QStringLiteral("ID Locations"));
    m_fusePage = new ConfigWordPage(context, m_pages);
    m_pages->addTab(m_fusePage, QStringLiteral("MCU Fuse Options"));
    m_pages->addTab(CreateSerialPage(serialPage, sockets), QStringLiteral("Serial Numbers"));
    layout->addWidget(m_pages, 1);
    auto* bottom = new QHBoxLayout;
    auto* close = new QPushButton(QStringLiteral("&Close"), this);
    close->setObjectName(QStringLiteral("B_Close"));
    close->setAutoDefault(false);
    bottom->addStretch(1);
    bottom->addWidget(close);
    layout->addLayout(bottom);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(m_idPage->HexOptionsButton(), &QToolButton::clicked, this, &TPXedwin::ShowHexOptions);
    connect(m_fusePage->HexOptionsButton(), &QToolButton::clicked, this, &TPXedwin::ShowHexOptions);

    for (ImageDisplayState::Page page :
         {ImageDisplayState::CalibrationPage, ImageDisplayState::CodePage, ImageDisplayState::EeDataPage})
        ConnectGrid(page);
    ImageDisplayState& display = context.Image().Display();
    connect(&display, &ImageDisplayState::EditorViewRefreshed, this, &TPXedwin::LoadGrid);
    connect(&display, &ImageDisplayState::Changed, this, &TPXedwin::ShowDisplayState);
    connect(m_pages, &QTabWidget::currentChanged, this, [this] { RefreshActivePage(); });

    const QPointer<TPXedwin> self(this);
    for (OptionSwitch item : {OptionSwitch::CalibrationPage, OptionSwitch::EePage, OptionSwitch::OptionEditing})
        context.Bindings().AddSwitch(item, [self](bool) {
            if (self)
                self->UpdatePages();
        });
    new WindowPlacementBinder(context, RememberedWindow::Editor, this);
    resize(620, 480);
    UpdatePages();
    ShowDisplayState();
}

QWidget* TPXedwin::CreateCalibrationPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    m_calBar = new QWidget(page);
    m_calBar->setObjectName(QStringLiteral("CalibrationBar"));
    auto* bar = new QHBoxLayout(m_calBar);
    bar->setContentsMargins(0, 0, 0, 0);
    bar->addWidget(new QLabel(QStringLiteral("   Socket:"), m_calBar));
    auto* group = new QButtonGroup(m_calBar);
    group->setExclusive(true);
    const QString names[] = {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("C"), QStringLiteral("D")};
    for (int socket = 0; socket < 4; ++socket) {
        auto* button = new QToolButton(m_calBar);
        button->setText(names[socket]);
        button->setObjectName(QStringLiteral("B_Socket") + names[socket]);
        button->setCheckable(true);
        button->setChecked(socket == 0);
        button->setMinimumWidth(28);
        group->addButton(button, socket);
        bar->addWidget(button);
        m_socketButtons[size_t(socket)] = button;
    }
    connect(group, &QButtonGroup::idClicked, this,
            [this](int socket) { EditorCommands::SelectCalibrationSocket(m_context, socket); });
    m_calItemPart = new QWidget(m_calBar);
    auto* items = new QHBoxLayout(m_calItemPart);
    items->setContentsMargins(12, 0, 0, 0);
    m_calItemLabel = new QLabel(m_calItemPart);
    m_calItemLabel->setObjectName(QStringLiteral("LAB_CalibrationItem"));
    m_calItems = new QComboBox(m_calItemPart);
    m_calItems->setObjectName(QStringLiteral("CB_CalibrationItem"));
    m_calItems->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    items->addWidget(m_calItemLabel);
    items->addWidget(m_calItems);
    bar->addWidget(m_calItemPart);
    bar->addStretch(1);
    connect(m_calItems, &QComboBox::activated, this, [this](int index) {
        if (!m_rendering)
            EditorCommands::ChooseCalibrationItem(m_context, index);
    });
    layout->addWidget(m_calBar);
    OptionControlBinding::BindVisible(m_context, OptionSwitch::CalibrationItemBar, m_calBar);
    OptionControlBinding::BindVisible(m_context, OptionSwitch::CalibrationItemList, m_calItemPart);

    m_grids[ImageDisplayState::CalibrationPage] = new TPXedit(page);
    m_notAvailable[ImageDisplayState::CalibrationPage] = NotAvailable(page);
    layout->addWidget(m_grids[ImageDisplayState::CalibrationPage], 1);
    layout->addWidget(m_notAvailable[ImageDisplayState::CalibrationPage], 1);
    auto* note = new QLabel(
        QStringLiteral("  NOTE:  FLASH Calibration values are read from the MCU during an ERASE cycle."), page);
    note->setObjectName(QStringLiteral("LAB_CalibrationNote"));
    layout->addWidget(note);
    OptionControlBinding::BindVisible(m_context, OptionSwitch::CalibrationGrid,
                                      m_grids[ImageDisplayState::CalibrationPage]);
    return page;
}

QWidget* TPXedwin::CreateCodePage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    m_grids[ImageDisplayState::CodePage] = new TPXedit(page);
    m_notAvailable[ImageDisplayState::CodePage] = NotAvailable(page);
    layout->addWidget(m_grids[ImageDisplayState::CodePage], 1);
    layout->addWidget(m_notAvailable[ImageDisplayState::CodePage], 1);
    return page;
}

QWidget* TPXedwin::CreateDataPage()
{
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    auto* top = new QHBoxLayout;
    QToolButton* hexOptions = EditorLook::HexOptionsButton(page);
    auto* override =
        new QCheckBox(QStringLiteral("Use this EE DATA to override record in HEX file.   (see: HEX Options )"), page);
    m_fill = new QPushButton(QStringLiteral("Fill with Value ..."), page);
    m_fill->setObjectName(QStringLiteral("B_Fill"));
    m_fill->setToolTip(QStringLiteral("Fill with value"));
    m_fill->setAutoDefault(false);
    top->addWidget(hexOptions);
    top->addWidget(override, 1);
    top->addWidget(m_fill);
    layout->addLayout(top);
    m_grids[ImageDisplayState::EeDataPage] = new TPXedit(page);
    m_notAvailable[ImageDisplayState::EeDataPage] = nullptr;
    layout->addWidget(m_grids[ImageDisplayState::EeDataPage], 1);

    OptionControlBinding::BindCheckBox(m_context, override, OptionIndex::EeOverride);
    OptionControlBinding::BindVisible(m_context, OptionSwitch::EeOverrideBox, override);
    OptionControlBinding::BindVisible(m_context, OptionSwitch::EeHexOptionsButton, hexOptions);
    OptionControlBinding::BindVisible(m_context, OptionSwitch::EeFillButton, m_fill);
    OptionControlBinding::BindEnabled(m_context, OptionSwitch::FillValueButton, m_fill);
    OptionControlBinding::BindVisible(m_context, OptionSwitch::EeGrid, m_grids[ImageDisplayState::EeDataPage]);
    connect(hexOptions, &QToolButton::clicked, this, &TPXedwin::ShowHexOptions);
    connect(m_fill, &QPushButton::clicked, this, [this] { EditorCommands::FillEeWithValue(m_context); });
    return page;
}

QWidget* TPXedwin::CreateSerialPage(SerialNumberPage* model, SocketPanel* sockets)
{
    if (!model || !sockets)
        return new QWidget;
    m_serialPage = new SerialNumbersPage(*model, *sockets);
    connect(m_serialPage, &SerialNumbersPage::OptionsRequested, this, [this] {
        if (m_context.Bindings().showOptionsDialog)
            m_context.Bindings().showOptionsDialog(OptionsPage::SerialNumbers);
    });
    // The options button is hidden while option editing is locked.
    OptionControlBinding::BindVisible(m_context, OptionSwitch::OptionEditing, m_serialPage->OptionsButton());
    return m_serialPage;
}

void TPXedwin::ConnectGrid(ImageDisplayState::Page page)
{
    TPXedit* grid = m_grids[size_t(page)];
    connect(grid, &TPXedit::CellEdited, this, [this, page] { EditorCommands::GridCellEdited(m_context, page); });
    connect(grid, &TPXedit::Entered, this, &TPXedwin::RefreshActivePage);
}

void TPXedwin::LoadGrid(int page)
{
    MemoryImage& image = m_context.Image();
    switch (page) {
    case ImageDisplayState::CalibrationPage:
        m_grids[size_t(page)]->Load(image.Calibration(image.SelectedCalSocket()).words, image.CalibrationGrid());
        break;
    case ImageDisplayState::CodePage: m_grids[size_t(page)]->Load(image.CodeBuffer(), image.CodeGrid()); break;
    case ImageDisplayState::EeDataPage: m_grids[size_t(page)]->Load(image.EeBuffer(), image.EeGrid()); break;
    default: return;
    }
    UpdatePages();
}

void TPXedwin::RefreshActivePage()
{
    const int page = m_pages->currentIndex();
    if (page < 0 || page > ImageDisplayState::EeDataPage)
        return;
    m_context.Image().Display().SetShownPage(ImageDisplayState::Page(page));
    m_context.Image().RefreshEditorView(m_context.Profile(), page);
}

bool TPXedwin::PageAvailable(Page page) const
{
    const OptionBindings& bindings = m_context.Bindings();
    const bool unlocked = bindings.Switch(OptionSwitch::OptionEditing);
    switch (page) {
    case Page::Calibration: return bindings.Switch(OptionSwitch::CalibrationPage) && unlocked;
    case Page::Data: return bindings.Switch(OptionSwitch::EePage) && unlocked;
    case Page::Code:
    case Page::Id:
    case Page::Fuse: return unlocked;
    case Page::Serial: return true;
    }
    return false;
}

bool TPXedwin::ShowPage(Page page)
{
    UpdatePages();
    if (!PageAvailable(page))
        return false;
    m_pages->setCurrentIndex(int(page));
    show();
    raise();
    activateWindow();
    RefreshActivePage();
    return true;
}

void TPXedwin::UpdatePages()
{
    for (int page = 0; page < m_pages->count(); ++page)
        m_pages->setTabVisible(page, PageAvailable(Page(page)));
    const DeviceProfile& profile = m_context.Profile();
    m_notAvailable[ImageDisplayState::CalibrationPage]->setVisible(!profile.hasCalibration);
    m_notAvailable[ImageDisplayState::CodePage]->setVisible(profile.rom < 1);
    m_grids[ImageDisplayState::CodePage]->setVisible(profile.rom >= 1);
    if (!profile.hasCalibration)
        m_grids[ImageDisplayState::CalibrationPage]->setVisible(false);

    // The calibration-item list holds the device's extra-calibration choices.
    m_rendering = true;
    QStringList labels;
    for (const XcalChoice& choice : profile.xcalChoices)
        labels << choice.label;
    QStringList shown;
    for (int i = 0; i < m_calItems->count(); ++i)
        shown << m_calItems->itemText(i);
    if (shown != labels) {
        m_calItems->clear();
        m_calItems->addItems(labels);
    }
    m_calItemLabel->setText(profile.xcalTitle);
    m_rendering = false;
    ShowDisplayState();
}

void TPXedwin::ShowDisplayState()
{
    const ImageDisplayState& display = m_context.Image().Display();
    for (ImageDisplayState::Page page :
         {ImageDisplayState::CalibrationPage, ImageDisplayState::CodePage, ImageDisplayState::EeDataPage})
        m_grids[size_t(page)]->SetStatusText(display.ModifiedText(page));
    m_rendering = true;
    if (m_calItems->currentIndex() != display.ShownXcalChoice() && display.ShownXcalChoice() < m_calItems->count())
        m_calItems->setCurrentIndex(display.ShownXcalChoice());
    const int socket = m_context.Image().SelectedCalSocket();
    if (!m_socketButtons[size_t(socket)]->isChecked())
        m_socketButtons[size_t(socket)]->setChecked(true);
    m_rendering = false;
}

void TPXedwin::ShowHexOptions()
{
    if (m_context.Bindings().showOptionsDialog)
        m_context.Bindings().showOptionsDialog(OptionsPage::HexOptions);
}

void TPXedwin::showEvent(QShowEvent* event)
{
    QDialog::showEvent(event);
    RefreshActivePage();
}
