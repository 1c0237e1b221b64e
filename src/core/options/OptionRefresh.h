#pragma once

class AppContext;

// The option refresh and the operations that change options.

// The option-editing lock's part of the refresh (entry 0): decides OptionSwitch::OptionEditing and
// OptionSwitch::EnableOptionEditing and closes the options dialog while locked.
void ApplyOptionEditingLock(AppContext& ctx);

// Walks the entries 0 to 79 in ascending order: re-derives the present flags (and the forced
// values) from the device profile, decides every OptionSwitch and task-row availability, computes
// each option control's state and calls the handlers registered in OptionBindings. A rule sees the
// effective values left by the rules of lower indices.
void UpdateOptionControls(AppContext& ctx);

// The full refresh after every option change; does nothing while start-up is building the device
// list. Tasks 0 and 12 are made available, UpdateOptionControls runs, then the registered stages
// (serial-number controls and page, start address, task tree, socket indicators), and last the
// checksum and the information report.
void OptionsChanged(AppContext& ctx);

// The click protocol of the tagged check boxes (Checkoptionclick) and radio buttons
// (RadioOptionclick): ignored until the program is ready; otherwise SettingsDirty is set and,
// unless the refresh itself is setting that control, the entry takes the control's state and
// OptionsChanged runs. Selecting a radio button clears the other entries of its choice (64/65
// placement; 68/69/79 ID mode), so exactly one of them is set.
void Checkoptionclick(AppContext& ctx, int index, bool checked);
void RadioOptionclick(AppContext& ctx, int index, bool selected);

// "Reset All Options to Default": every value to its factory value (present flags stay),
// SettingsDirty when the program is ready, then OptionsChanged.
void ResetOptionsToFactory(AppContext& ctx);

// The task tree's "Enabled" command for a row governed by entry index (1, 16, 17, 18, 36, 37, 64
// or 65): toggles the entry's value and runs OptionsChanged; SettingsDirty is left alone.
void ToggleOptionFromTaskTree(AppContext& ctx, int index);
