#pragma once

#include "core/model/OptionTable.h"
#include "core/model/OptionsPage.h"

#include <QtGlobal>
#include <array>
#include <functional>
#include <vector>

class AppContext;

// Items outside the option table whose availability or visibility the option refresh decides.
enum class OptionSwitch {
    SaveSettingsNow,     // options dialog: "Save Option Settings Now" (follows SettingsDirty)
    ReadAction,          // Read command (entry 1 clear)
    EraseAction,         // Erase command (effective 16)
    FillValueButton,     // editor: "Fill with Value ..." (effective 16)
    BlankCheckAction,    // effective 17
    VerifyAction,        // effective 18
    FusesAction,         // effective 36
    ConfigWordInput,     // input of the configuration-word page (effective 36)
    SerializeAction,     // effective 37
    EditEeDataButton,    // options dialog: "Edit EE Data" (present 33)
    EeGrid,              // editor: EE grid (present 33)
    DataMenuItem,        // main "&Data ..." (present 33, and value 39 clear when 39 applies)
    EePage,              // editor's EE page (present 33, and value 39 clear when 39 applies)
    EeHexOptionsButton,  // editor: "Show HEX Options" on the EE page (present 33, unlocked)
    EeFillButton,        // editor: "Fill with Value ..." on the EE page (present 33, unlocked)
    EeOverrideBox,       // editor: EE override box shown (present 33, unlocked)
    CalibrationGrid,     // present 35
    CalibrationMenuItem, // "C&alibration ..." (present 35, unlocked)
    CalibrationPage,     // present 35, unlocked
    CalibrationItemBar,  // socket/calibration-item bar (XCAL at least 1, or BCAL)
    CalibrationItemList, // its item list and label (XCAL at least 1)
    IdFields,            // the editor's three ID fields (effective 34)
    SqtpFileControls,    // SQTP file button and the SQTP and log file labels (effective 38)
    PulseWidthSlider,    // present 63
    ViewMenu,            // main "&View" menu (while locked: only with value 75 clear)
    OptionEditing,       // option editing is not locked: the options pages, the commands that
                         // change settings, data, the device or the file, "Disable &Option Editing"
    EnableOptionEditing, // "Enable &Option Editing" (option editing is locked)
    Count
};

// What the refresh does to a task-tree row: Follow applies availability with a flag (the row
// operation "Apply availability"), Disable disables it.
enum class TaskRowChange { Follow, Disable };
struct TaskRowCommand {
    int code;
    TaskRowChange change;
    bool available; // for Follow
    bool operator==(const TaskRowCommand&) const = default;
};

// The steps of the full refresh that other windows and subsystems own, run in this order after
// the controls have been updated.
enum class OptionStage {
    SerialNumberControls, // options dialog: serial-number controls follow effective 37
    SerialNumberPage,     // editor window: serial-number page
    SerialNumberAddress,  // options dialog: start address shown again, length re-validated
    TaskTree,             // redraw the task tree
    SocketIndicators,     // refresh the socket indicators
    Count
};

// The state of one option control after the refresh.
struct OptionControlState {
    bool enabled = true;
    bool checked = false;
};

// The one place where everything that follows the options registers: option controls by index,
// commands and panels by OptionSwitch, the task tree's rows, the later refresh stages and the
// hooks of the subsystems the refresh calls into. The refresh (OptionRefresh.h) computes the state
// here and then calls every registered handler; a window adds only its own bindings. Handlers
// are called every refresh, not only on changes. Registration lasts for the context's life, so a
// handler that refers to a widget must tolerate the widget being gone (QPointer).
class OptionBindings
{
public:
    using ControlHandler = std::function<void(const OptionControlState&)>;
    using SwitchHandler = std::function<void(bool)>;
    using TaskRowHandler = std::function<void(const TaskRowCommand&)>;

    void AddControl(int index, ControlHandler handler);
    void AddSwitch(OptionSwitch item, SwitchHandler handler);
    void AddTaskRowHandler(TaskRowHandler handler);
    void AddStage(OptionStage stage, std::function<void()> step);

    // Hooks into subsystems; an empty hook means that subsystem is not part of this build.
    // Opens and validates the SQTP file named in the serial-number settings; true when usable.
    std::function<bool()> validateSqtp;
    // Records a link error word bit (0x8 = task failed).
    std::function<void(int bits)> recordError;
    // Restricts programming to a single socket (self-powered target).
    std::function<void()> forceSingleSocket;
    // A device programmed in parallel was loaded: socket A alone, and the hardware notice.
    std::function<void()> parallelDeviceLoaded;
    // The ID page switched its fields to the mode of entry 68, 69 or 79.
    std::function<void(int index)> idModeChanged;
    // Locks (true) or unlocks the interface for a long command, as a run does.
    std::function<void(bool locked)> lockForRun;
    // Closes the options dialog if it is showing; returns true when it was showing.
    std::function<bool()> closeOptionsDialog;
    // Puts the task tree's selection back on its first entry.
    std::function<void()> resetTaskSelection;
    // Shows the options dialog on a page (when the page is available).
    std::function<void(OptionsPage page)> showOptionsDialog;
    // Shows the editor window on a page; false when that page is not available.
    std::function<bool(EditorPage page)> showEditorPage;
    // Closes the editor window if it is showing.
    std::function<void()> closeEditorWindow;
    // The serial-number state works out the numbers again after a change of the start address.
    std::function<void()> refreshSerialNumbers;
    // Lets the operator choose the SQTP file.
    std::function<void()> selectSqtpFile;

    // State of the last refresh.
    bool Switch(OptionSwitch item) const { return m_switches.at(size_t(item)); }
    const OptionControlState& Control(int index) const { return m_controls.at(size_t(index)); }
    const std::vector<TaskRowCommand>& TaskRowCommands() const { return m_taskCommands; }
    // The entry (68, 69 or 79) whose ID mode the ID page shows, or OptionTable::None.
    int IdMode() const { return m_idMode; }

    // Used by the refresh.
    void BeginRefresh() { m_taskCommands.clear(); }
    void SetSwitch(OptionSwitch item, bool on);
    void SetControl(int index, const OptionControlState& state) { m_controls.at(size_t(index)) = state; }
    void ApplyTaskRow(const TaskRowCommand& command);
    void SetIdMode(int index) { m_idMode = index; }
    // Calls the handlers of the controls of index, with the table's option-being-shown index set
    // to index meanwhile so that their click handlers know the refresh caused the change.
    void ShowControls(int index, OptionTable& table) const;
    void RunStage(OptionStage stage) const;

private:
    std::array<std::vector<ControlHandler>, OptionTable::Count> m_controlHandlers;
    std::array<std::vector<SwitchHandler>, size_t(OptionSwitch::Count)> m_switchHandlers;
    std::vector<TaskRowHandler> m_taskRowHandlers;
    std::array<std::vector<std::function<void()>>, size_t(OptionStage::Count)> m_stages;

    std::array<bool, size_t(OptionSwitch::Count)> m_switches{};
    std::array<OptionControlState, OptionTable::Count> m_controls{};
    std::vector<TaskRowCommand> m_taskCommands;
    int m_idMode = OptionTable::None;
};
