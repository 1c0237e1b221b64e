#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class AppContext;
class ParameterEditor;

// The window of the MCU parameter editor, as the editor's model sees it (the GUI implements it).
class ParameterEditorView
{
public:
    virtual ~ParameterEditorView() = default;
    // Shows the window for the editor (which outlives the window's use of it until it closes).
    virtual void Open(ParameterEditor& editor) = 0;
    // After each re-parse: refills the raw-row list and shows the selected row.
    virtual void Refresh() = 0;
    // Shows a row's fields and selects its node in the main window's task tree.
    virtual void ShowRow(int index) = 0;
    // The editor closed (by "OK" or "Abort"): hide the window and let go of the editor.
    virtual void Closed() = 0;
    // Closes the editor as "Abort" does (the program is ending).
    virtual void AbortEditing() = 0;
};

// The MCU parameter editor: edits the task rows of the selected device's template while the main
// window's task tree follows every change. It works on the value parts of the template's task-row
// section ("raw rows": code, level, child count, enabled, step count, steps); after every change
// the loader's row list is rebuilt from them and a re-parse is requested. "OK" writes the rows
// back into the template file they came from; "Abort" leaves the file as it was. Operation
// records, node names and the device table are read, never written.
class ParameterEditor
{
public:
    // Reads the node names and operation names of the device's template and takes the rows the
    // loader read.
    explicit ParameterEditor(AppContext& ctx);

    const QStringList& RawRows() const { return m_rows; }
    // "n" entries of NodeNames (name, comma, description), and the operation names in file order.
    const QStringList& NodeNames() const { return m_nodeNames; }
    const QStringList& OperationNames() const { return m_operationNames; }
    // The template file (full path) and the section the rows belong to.
    const QString& FilePath() const { return m_path; }
    const QString& Section() const { return m_section; }
    int Selected() const { return m_selected; }
    bool IsOpen() const { return m_open; }
    bool ReparseRequested() const { return m_reparse; }
    void TakeReparse() { m_reparse = false; }
    AppContext& Context() { return m_ctx; }

    // The values of a raw row (missing or non-numeric ones count as 0).
    static int Value(const QString& row, int index);
    // The text of a new row: code, level, child count 0, enabled, the step count and the steps.
    static QString NewRowText(int code, int level, bool enabled, const QList<int>& steps);
    // The row-list arithmetic, on any list: each returns the index of the row to select after it.
    static int InsertSameLevel(QStringList& rows, int selected, const QString& row);
    static int InsertNextLevel(QStringList& rows, int selected, const QString& row);
    static int DeleteWithChildren(QStringList& rows, int index);

    // Whether the row's steps are task codes (a row with children) or operation slots.
    bool StepsAreTasks(int row) const;
    const QStringList& AvailableSteps(int row) const;

    // The window's commands. code is the node-name position, steps positions in the available list.
    void Select(int row);
    void AddSameLevel(int code, bool enabled, const QList<int>& steps);
    void AddNextLevel(int code, bool enabled, const QList<int>& steps);
    void Modify(int code, bool enabled, const QList<int>& steps);
    void Delete(int row);
    void RequestRefresh() { m_reparse = true; }
    // Writes the rows into the template file and closes; false (the editor stays open) when the
    // file could not be written, with the reason in *error.
    bool Ok(QString* error);
    void Abort();

private:
    void Changed();
    void Close();

    AppContext& m_ctx;
    QString m_path;
    QString m_section;
    QStringList m_rows;
    QStringList m_nodeNames;
    QStringList m_operationNames;
    int m_selected = 0;
    bool m_open = true;
    bool m_reparse = true;
};

// Run by the template loader when MCU parameter editing is on: opens the editor on the rows just
// loaded and, until it closes, processes window messages and re-parses the rows (rebuilding the
// tree and the menu) whenever the editor asks. Does nothing without a view.
void RunParameterEditor(AppContext& ctx);
