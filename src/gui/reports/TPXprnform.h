#pragma once

#include <QDialog>
#include <QStringList>
#include <functional>
#include <memory>

class AppContext;
class QCheckBox;
class QLabel;
class QLineEdit;
class QPrinter;
class QPushButton;
class QToolButton;

// "Print Praxon History": prints the history (in colour or plain, with the three header lines and
// page footers) on the chosen printer, or saves it as a text file. Made once; Open shows it.
class TPXprnform : public QDialog
{
    Q_OBJECT
public:
    // The printers the system offers and its default (empty when there is none). Tests put their
    // own in place.
    struct Printers {
        std::function<QStringList()> names;
        std::function<QString()> defaultName;
    };

    // context must outlive the dialog; the window title of the header is the parent's.
    TPXprnform(AppContext& context, QWidget* parent = nullptr);
    ~TPXprnform() override;

    // Selects the printer the label names (else the default one) and shows the dialog, modelessly.
    void Open();

    void SetPrinters(Printers printers) { m_printers = std::move(printers); }
    // Print into this PDF file instead of on the printer (tests, and a printout without a printer).
    void SetPdfOutput(const QString& path) { m_pdfOutput = path; }
    // The printer set-up dialog; returns the chosen printer's name, empty when it was cancelled or
    // failed. Tests replace it.
    void SetSetupDialog(std::function<QString(QPrinter&)> setup) { m_setup = std::move(setup); }

    // The action button: prints, or saves in file mode. Returns the pages printed (0 for a file,
    // -1 when nothing was produced).
    int RunAction();

    QLabel* PrinterLabel() const { return m_printerLabel; }
    QLabel* StatusLabel() const { return m_status; }
    QLineEdit* FileNameEdit() const { return m_fileName; }
    QPushButton* OptionsButton() const { return m_options; }
    QPushButton* ActionButton() const { return m_action; }
    QPushButton* CancelButton() const { return m_cancel; }
    QCheckBox* PlainBox() const { return m_plain; }
    QCheckBox* FileModeBox() const { return m_fileMode; }
    QToolButton* FileSelectButton() const { return m_fileSelect; }

private:
    void SelectPrinter();
    void ChoosePrinter();
    void ChooseFile();
    void FileModeToggled(bool on);
    void UpdateActionEnabled();
    void CancelPressed();
    QStringList Header() const;
    void SaveToFile();
    int Print();

    AppContext& m_context;
    std::unique_ptr<QPrinter> m_printer;
    Printers m_printers;
    QString m_pdfOutput;
    std::function<QString(QPrinter&)> m_setup;
    bool m_printing = false;
    bool m_cancelRequested = false;

    QLabel* m_printerLabel;
    QLabel* m_status;
    QLineEdit* m_fileName;
    QPushButton* m_options;
    QPushButton* m_action;
    QPushButton* m_cancel;
    QCheckBox* m_plain;
    QCheckBox* m_fileMode;
    QToolButton* m_fileSelect;
    QString m_chosenFile;
};
