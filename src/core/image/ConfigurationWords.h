#pragma once

#include "core/model/DeviceProfile.h"

#include <QString>
#include <QStringList>
#include <QtGlobal>
#include <array>

class AppContext;

// Translation between a configuration word as a number and as one selected option per field.
// The field mask of a field is the AND of all its option values: the bits that are 1 in every
// option, i.e. the bits that do not belong to the field.

// Selects, in every field of word w, the first option equal to (value OR field mask), or option 0
// when none is; the word's composed value becomes the AND of the selected options (0xFFFF without
// fields). value is first cut to the core's width (12 bits for 5X, 14 for XX).
void DecodeConfigWord(DeviceProfile& profile, quint16 value, int w);
void DecodeConfigWord(AppContext& ctx, quint16 value, int w);

// ConfigMasks takes each word's implemented mask, then every word is decoded from ConfigWords.
void CopyConfigMasks(AppContext& ctx);

// With the FUSE override the configuration words are saved with the control file, so an edit
// made once the program is ready makes the settings dirty.
bool FuseOverrideEdit(AppContext& ctx);

// True when w names one of the profile's configuration words.
bool ValidConfigWord(const DeviceProfile& profile, int w);

// The same without the checksum and the report, for callers that run the option refresh next
// (which computes both), so that no checksum of a half-finished refresh is logged.
void ComposeAndShowSelectedWord(AppContext& ctx);

// ConfigWords element i := composed value of word i, for every configuration word of the device.
void StoreComposedWords(AppContext& ctx);

// "High: HH  Low: LL" and the binary text of a word: 13 characters for 5X, 15 for XX, 17 for
// the others, bits written from the right with ':' between bit 7 and bit 8.
QString SelectedWordHexText(quint16 value);
QString SelectedWordBinaryText(quint16 value, CoreFamily core);
void ShowSelectedWord(AppContext& ctx);

// The "Current Fuse Settings" lines for every configuration word.
QStringList FuseSummaryLines(const DeviceProfile& profile, const std::array<quint16, 8>& configWords);
// Writes the summary into the main window and the information window (only once start-up has
// completed).
void ShowFuseSummary(AppContext& ctx);

// Chooses the extra-calibration choice of socket (0 = A .. 3 = D) for value: the first choice equal
// to (value OR the AND of all choice values), else choice 0.
void DecodeXcal(AppContext& ctx, quint16 value, int socket);
