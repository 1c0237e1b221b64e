#pragma once

#include <QString>
#include <QtGlobal>

// Reads hexadecimal text without prefix. The text is taken case-insensitively; an empty text
// reads as "F". Any character that is not 0-9/A-F counts as digit 0 and sets *error (if given).
// The result is 64 bits wide (digits beyond 16 shift out); callers keep the width they need.
quint64 ParseHexText(const QString& text, bool* error = nullptr);

// Splits text at the first occurrence of separator: returns the part before it and leaves the
// part after it in text. A text without the separator is returned whole and text becomes empty.
QString SplitAtSeparator(QString& text, QChar separator);

// Upper-case hexadecimal text of value, zero-padded to at least digits characters.
QString HexWord(quint64 value, int digits);
