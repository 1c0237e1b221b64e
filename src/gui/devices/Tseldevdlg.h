#pragma once

#include <QDialog>

class AppContext;
class QLabel;
class QListWidget;
class QPushButton;

// The "Device Select" dialog: every device of the device list in six columns, the support note
// of the highlighted device and an OK button. However it closes (OK, Enter, a double click, Esc),
// the highlighted entry is the answer. Its placement is remembered as "seldevdlg"; without a
// remembered placement it opens centred on its parent.
class Tseldevdlg : public QDialog
{
    Q_OBJECT
public:
    static constexpr int MinimumWidth = 478;
    static constexpr int MinimumHeight = 268;
    static constexpr int Columns = 6;

    // The context must outlive the dialog.
    explicit Tseldevdlg(AppContext& context, QWidget* parent = nullptr);

    // Fills the list from the device list (reporting and replacing an empty one), highlights the
    // selected device and shows its note.
    void Fill();
    // The highlighted entry's index in the device list, or -1.
    int HighlightedIndex() const;

    QListWidget* List() const { return m_list; }
    QLabel* Note() const { return m_note; }
    QPushButton* OkButton() const { return m_ok; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void ShowNote();
    void LayOutColumns();

    AppContext& m_context;
    QListWidget* m_list;
    QLabel* m_note;
    QPushButton* m_ok;
};
