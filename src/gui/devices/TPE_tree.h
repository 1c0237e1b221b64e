#pragma once

#include "core/devices/ParameterEditor.h"

#include <QWidget>
#include <functional>

class AppContext;
class QCheckBox;
class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;

// "Parameter Editor - Tree Structure": the window of the MCU parameter editor. The raw task rows
// on the left; on the right the selected row's node, level, child count, enabled flag and steps,
// with the steps that may be added; the main window's task tree follows the selection. Stays on
// top of the other windows while it is open; closing it any other way than "OK" aborts.
class TPE_tree : public QWidget, public ParameterEditorView
{
    Q_OBJECT
public:
    // selectTreeRow selects a row's node in the main window's task tree.
    TPE_tree(AppContext& context, std::function<void(int row)> selectTreeRow, QWidget* parent = nullptr);
    ~TPE_tree() override;

    void Open(ParameterEditor& editor) override;
    void Refresh() override;
    void Closed() override;
    void AbortEditing() override;

    // Shows a row's fields (row 0 when it is past the tree's last node) and selects it in the tree.
    void ShowRow(int index) override;
    ParameterEditor* Editor() const { return m_editor; }
    // Tests call this when it is set, with the editor up (the loader waits while it is open).
    void SetOpenedHook(std::function<void(TPE_tree&)> hook) { m_openedHook = std::move(hook); }

    QListWidget* RawRowList() const { return m_rows; }
    QComboBox* NodeNameList() const { return m_nodeNames; }
    QLabel* LevelValue() const { return m_level; }
    QLabel* ChildCountValue() const { return m_childCount; }
    QCheckBox* EnabledBox() const { return m_enabled; }
    QLabel* PlateCountValue() const { return m_plateCount; }
    QListWidget* PlateList() const { return m_plates; }
    QListWidget* AvailablePlates() const { return m_available; }
    QLabel* SelectedRowLabel() const { return m_selectedRow; }
    QPushButton* SameLevelButton() const { return m_sameLevel; }
    QPushButton* NextLevelButton() const { return m_nextLevel; }
    QPushButton* ModifyButton() const { return m_modify; }
    QPushButton* AbortButton() const { return m_abort; }
    QPushButton* RefreshButton() const { return m_refresh; }
    QPushButton* OkButton() const { return m_ok; }

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QList<int> ChosenSteps() const;
    void AddStep(int available);
    void RemoveStep(int position);
    void OkPressed();

    AppContext& m_context;
    std::function<void(int)> m_selectTreeRow;
    std::function<void(TPE_tree&)> m_openedHook;
    ParameterEditor* m_editor = nullptr;

    QListWidget* m_rows;
    QPushButton* m_sameLevel;
    QPushButton* m_nextLevel;
    QPushButton* m_modify;
    QComboBox* m_nodeNames;
    QLabel* m_level;
    QLabel* m_childCount;
    QCheckBox* m_enabled;
    QLabel* m_plateCount;
    QListWidget* m_plates;
    QListWidget* m_available;
    QLabel* m_selectedRow;
    QPushButton* m_abort;
    QPushButton* m_refresh;
    QPushButton* m_ok;
};
