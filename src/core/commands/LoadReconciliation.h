#pragma once

class AppContext;

// Turns the raw HEX load into the values the programmer uses, after every HEX read (also a failed
// one) and after every change of the selected MCU: checks the code width against the device's
// core family, takes the configuration words, EE data and ID words out of the file-shaped buffers,
// logs records that are missing or blank, replaces any of the three by the control file's saved
// values when its override option is set, copies the calibration words out of the code buffer,
// and refreshes everything derived from the image. Nothing here stops the load: every problem is a
// log line, and a missing or unusable HEX file additionally a message box.
//
// For a 5X device whose configuration word at CFGLOC is blank, the word at 0x2007 is used and
// CFGLOC becomes 0x2007 until the profile is loaded again.
void ReconcileLoad(AppContext& ctx);
