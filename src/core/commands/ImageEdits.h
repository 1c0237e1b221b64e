#pragma once

#include <QString>

class AppContext;

// Edits of the image made on the editor pages: each stores its value and then refreshes what
// follows from it, the options included.

// Recomputes the selected word from its selected options, stores it in ConfigWords and refreshes
// its display, the fuse summary, the checksum and the information report.
void ComposeSelectedWord(AppContext& ctx);

// Parses the text of the active ID box into IdWords. The active form follows the raw values of
// options 69 (4-bit), 79 (7-bit), 68 (ASCII), tested in that order; with none set nothing happens,
// and nothing happens while ShowIdWords is filling the boxes. The text is padded with character
// code 0 and cut to the form's length; every word gets the profile's IDMASK ORed in.
void ParseIdEdit(AppContext& ctx, const QString& boxText);
