#pragma once

#include <QWidget>
#include <array>

class QCheckBox;
class QFrame;
class QLabel;
class QLineEdit;
class QToolButton;
class SerialNumberPage;
class SocketPanel;

// The editor window's "Serial Numbers" page: the last number used with the Auto Increment box and
// the options button, and one row per socket in use with its number in hexadecimal and decimal
// and its status. It renders SerialNumberPage and passes every edit and key to it; the page model
// and the socket panel must outlive it.
class SerialNumbersPage : public QWidget
{
    Q_OBJECT
public:
    SerialNumbersPage(SerialNumberPage& page, SocketPanel& sockets, QWidget* parent = nullptr);

    // field: SerialNumberPage::TopRow or a socket 0 to 3.
    QLineEdit* HexField(int field) const;
    QLineEdit* DecimalField(int field) const;
    QLabel* StatusLabel(int socket) const { return m_status.at(size_t(socket)); }
    QFrame* SocketRow(int socket) const { return m_rows.at(size_t(socket)); }
    QCheckBox* AutoIncrementBox() const { return m_auto; }
    // The small icon button "Show Serial Number Options" (its text is the tooltip).
    QToolButton* OptionsButton() const { return m_options; }

signals:
    // "Show Serial Number Options": the options dialog on its serial-number page.
    void OptionsRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void Render();
    void Paint(QLineEdit* field, int look, bool editable);

    SerialNumberPage& m_page;
    SocketPanel& m_sockets;
    QLineEdit* m_topHex;
    QLineEdit* m_topDecimal;
    QCheckBox* m_auto;
    QToolButton* m_options;
    std::array<QFrame*, 4> m_rows{};
    std::array<QLineEdit*, 4> m_hex{};
    std::array<QLineEdit*, 4> m_decimal{};
    std::array<QLabel*, 4> m_status{};
    bool m_rendering = false;
};
