#pragma once

#include <QString>
#include <QWidget>

class MainWindowState;
class QLabel;
class QPlainTextEdit;
class QSplitter;

// The information group of the main window: the information report ("Information:") and the
// configuration-word summary ("Current Fuse Settings") in two read-only memos side by side,
// with a splitter between them. Whenever the group is resized the right memo takes half the width.
class InformationGroup : public QWidget
{
    Q_OBJECT
public:
    static constexpr int InitialHeight = 234;

    explicit InformationGroup(MainWindowState& state, QWidget* parent = nullptr);

    QPlainTextEdit* InformationMemo() const { return m_information; }
    QPlainTextEdit* FuseMemo() const { return m_fuses; }
    QSplitter* Splitter() const { return m_splitter; }
    // Height of the header row above the memos.
    int HeaderHeight() const;

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    QWidget* MakePane(QLabel* header, QPlainTextEdit* memo);
    void ShowState();

    MainWindowState& m_state;
    QLabel* m_informationHeader;
    QLabel* m_fuseHeader;
    QPlainTextEdit* m_information;
    QPlainTextEdit* m_fuses;
    QSplitter* m_splitter;
    QString m_shownInformation;
    QString m_shownFuses;
};
