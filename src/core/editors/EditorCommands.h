#pragma once

#include "core/model/ImageDisplayState.h"

#include <QtGlobal>

class AppContext;

// What the editors window does beyond showing the image: the follow-up of a grid edit, "Fill with
// Value ...", the calibration page's socket and item choice, the configuration-word page's word
// selector and field choices, and the rules of the ID page's fields.
namespace EditorCommands {

// A cell of a grid page was changed: its status shows "Modified"; an EE edit marks the settings
// changed when the EE override (entry 70) is set and refreshes the option controls; code and EE
// edits recompute the checksum and the information report.
void GridCellEdited(AppContext& ctx, ImageDisplayState::Page page);

// "Fill with Value ...": asks for a hexadecimal value until one is given or the operator cancels;
// every EE buffer element (all of them, not only the device's bytes) takes its low 16 bits, the EE
// page shows "Modified" and is shown again, and the checksum and report are recomputed. Returns
// true when the buffer was filled.
bool FillEeWithValue(AppContext& ctx);

// Socket button "A" to "D" (0 to 3): the calibration page shows that socket's words and item.
void SelectCalibrationSocket(AppContext& ctx, int socket);
// The calibration-item list: the shown socket takes that extra-calibration choice and its value.
void ChooseCalibrationItem(AppContext& ctx, int index);

// The word selector: the selected configuration word becomes index (kept within the device's
// words); the field slots, the result display and the fuse summary follow.
void SelectConfigWord(AppContext& ctx, int index);
// Field slot (1 to 16) took option of its list: the selected word is composed again.
void ChooseFieldOption(AppContext& ctx, int slot, int option);

// The ID page's field of a form (ImageDisplayState::IdForm): its length for the core (4, 4, 8, or
// 8, 8, 16 for 18X) and whether it takes input (ID programming in effect and its mode selected).
int IdFieldLength(AppContext& ctx, ImageDisplayState::IdForm form);
bool IdFieldEnabled(AppContext& ctx, ImageDisplayState::IdForm form);
// The option entry of a form's radio button: 69, 79 or 68.
int IdFormOption(ImageDisplayState::IdForm form);

} // namespace EditorCommands
