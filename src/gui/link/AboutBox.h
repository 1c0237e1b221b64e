#pragma once

#include <QDialog>
#include <functional>

class ProgrammerIdentity;
class QLabel;

// "About": the product, its version and what is known of the connected programmer. The four
// identity lines follow the link's record while the box is open.
class AboutBox : public QDialog
{
    Q_OBJECT
public:
    // Where the "Updates: " link leads.
    static inline const char* UpdatesAddress = "https://praxon.example.org/updates";

    // identity must outlive the box.
    AboutBox(const ProgrammerIdentity& identity, QWidget* parent = nullptr);

    QLabel* HardwareLine() const { return m_hardware; }
    QLabel* FirmwareLine() const { return m_firmware; }
    QLabel* BootLoaderLine() const { return m_boot; }
    QLabel* SerialLine() const { return m_serial; }

    // Called with the box up, before it runs modally; tests use it to read and close the box.
    void SetShownHook(std::function<void(AboutBox&)> hook) { m_shownHook = std::move(hook); }
    int exec() override;

private:
    void ShowIdentity();

    const ProgrammerIdentity& m_identity;
    QLabel* m_hardware;
    QLabel* m_firmware;
    QLabel* m_boot;
    QLabel* m_serial;
    std::function<void(AboutBox&)> m_shownHook;
};
