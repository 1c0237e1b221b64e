#pragma once

// The pages of the options dialog, in the order the dialog shows them.
enum class OptionsPage { AutoOptions, General, HexOptions, SerialNumbers, Advanced, Count };

// The editor window's pages that other windows and commands open.
enum class EditorPage { EeData, ConfigWord, IdValues, SerialNumbers, Code, Calibration };
