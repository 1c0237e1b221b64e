#pragma once

#include "core/model/ImageDisplayState.h"

#include <QDialog>
#include <array>

class AppContext;
class ConfigWordPage;
class IdLocationsPage;
class QAbstractButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QPushButton;
class QTabWidget;
class QToolButton;
class SerialNumberPage;
class SerialNumbersPage;
class SocketPanel;
class TPXedit;

// The "Praxon Editors" window: one page each for the calibration words per socket, code memory,
// EE data, the ID locations, the configuration words and the serial numbers. Pages for data the
// device does not have, or that the option-editing lock hides, are not shown. Every change goes
// straight into the memory image; the checksum and the information report follow it.
class TPXedwin : public QDialog
{
    Q_OBJECT
public:
    // The pages in their order (the first three are numbered as the image numbers its grid pages).
    enum class Page { Calibration = 0, Code = 1, Data = 2, Id = 3, Fuse = 4, Serial = 5 };

    // Without a serial-number page model the "Serial Numbers" page stays empty.
    TPXedwin(AppContext& context, SerialNumberPage* serialPage, SocketPanel* sockets, QWidget* parent = nullptr);

    bool PageAvailable(Page page) const;
    // Shows the window on page; false (and nothing shown) when the page is not available.
    bool ShowPage(Page page);

    QTabWidget* Pages() const { return m_pages; }
    // page: calibration, code or EE data.
    TPXedit* Grid(ImageDisplayState::Page page) const { return m_grids.at(size_t(page)); }
    QLabel* NotAvailableLabel(ImageDisplayState::Page page) const { return m_notAvailable.at(size_t(page)); }
    QAbstractButton* SocketButton(int socket) const { return m_socketButtons.at(size_t(socket)); }
    QWidget* CalibrationBar() const { return m_calBar; }
    QComboBox* CalibrationItems() const { return m_calItems; }
    QPushButton* FillButton() const { return m_fill; }
    IdLocationsPage* IdPage() const { return m_idPage; }
    ConfigWordPage* FusePage() const { return m_fusePage; }
    SerialNumbersPage* SerialPage() const { return m_serialPage; }

protected:
    void showEvent(QShowEvent* event) override;

private:
    QWidget* CreateCalibrationPage();
    QWidget* CreateCodePage();
    QWidget* CreateDataPage();
    QWidget* CreateSerialPage(SerialNumberPage* model, SocketPanel* sockets);
    void ConnectGrid(ImageDisplayState::Page page);
    void LoadGrid(int page);
    void RefreshActivePage();
    void UpdatePages();
    void ShowDisplayState();
    void ShowHexOptions();

    AppContext& m_context;
    QTabWidget* m_pages = nullptr;
    std::array<TPXedit*, 3> m_grids{};
    std::array<QLabel*, 3> m_notAvailable{};
    std::array<QAbstractButton*, 4> m_socketButtons{};
    QWidget* m_calBar = nullptr;
    QWidget* m_calItemPart = nullptr;
    QLabel* m_calItemLabel = nullptr;
    QComboBox* m_calItems = nullptr;
    QPushButton* m_fill = nullptr;
    IdLocationsPage* m_idPage = nullptr;
    ConfigWordPage* m_fusePage = nullptr;
    SerialNumbersPage* m_serialPage = nullptr;
    bool m_rendering = false;
};
