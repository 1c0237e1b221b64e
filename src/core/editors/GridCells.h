#pragma once

#include "core/model/TTPXGriddata.h"

#include <QString>
#include <QtGlobal>
#include <optional>
#include <span>

// The cell rules of the grid editor: one image buffer shown as eight cells per row with an
// address column, a data part and a character part. Element n of the buffer is row n / 8, cell
// n % 8. Cells whose element lies at or beyond the descriptor's size (or the buffer's end) are not
// shown and cannot be edited.
namespace GridCells {

constexpr int CellsPerRow = 8;
constexpr int ColumnCount = 20;
constexpr int AddressColumn = 0;
constexpr int FirstSeparator = 1; // ":"
constexpr int FirstData = 2;
constexpr int LastData = 9;
constexpr int SecondSeparator = 10; // "»"
constexpr int FirstCharacter = 11;
constexpr int LastCharacter = 18;
constexpr int FillerColumn = 19;

enum class Kind { Address, Separator, Data, Character, Filler };
Kind KindOf(int column);

// The buffer element behind a data or character cell, or -1 for the other columns.
qint64 ElementOf(int row, int column);
// True for a data or character cell whose element is in use.
bool IsCell(const TTPXGriddata& grid, qsizetype bufferSize, int row, int column);

// Digits of a data cell (2 in byte mode, else 4) and of the address column (8 in double-word
// mode, else 4; a longer address is never cut).
int DataDigits(const TTPXGriddata& grid);
int AddressDigits(const TTPXGriddata& grid);

// What a column shows in a row: the address, the separators, a data cell (value AND mask in the
// word modes, the low byte in byte mode) or a character cell (the low byte without its top bit,
// "." when that is no letter or digit). Empty for hidden cells and the filler.
QString DisplayText(const TTPXGriddata& grid, std::span<const quint16> buffer, int row, int column);
// The text a cell's editor starts with: the data cell's digits, or the raw low byte as a character.
QString EditText(const TTPXGriddata& grid, std::span<const quint16> buffer, int row, int column);

// Hexadecimal text (blanks around it allowed, no prefix) as its low 16 bits; nullopt when the text
// is empty or holds any other character.
std::optional<quint16> ParseHexValue(const QString& text);

// The RETLW instruction a typed character is combined with: 0x800 for 5X, 0x3400 for XX, 0x0C00
// for 18X, 0 for an unknown core.
quint16 RetlwOf(const QString& coreFamily);

// Stores what was typed into a cell: a data cell takes the hexadecimal value AND the mask (byte
// mode: its low byte AND the mask); a character cell takes the character's code OR the core's
// RETLW, kept within the mask, so a byte buffer only ever receives the character itself. Returns
// false (and leaves the buffer unchanged) for text that is no valid input or a cell not in use.
bool StoreCell(const TTPXGriddata& grid, std::span<quint16> buffer, int row, int column, const QString& typed);

struct Position {
    int row = 0;
    int column = 0;
    bool operator==(const Position&) const = default;
};

enum class Move { Left, Right, Up, Down };
// Where the keyboard takes the current cell. Left and right run through a row's data cells (or its
// character cells) and on into the row above or below, wrapping from the first row to the last and
// back; up and down stay in the column and stop at a cell not in use.
Position MoveFrom(const TTPXGriddata& grid, qsizetype bufferSize, Position from, Move move);

// The status labels of a cell: row number from 1, column number 1 to 8 (data and character cells
// alike) and the element's address plus the display base, upper-case hexadecimal, at least four
// digits. Empty texts for the other columns.
struct PositionTexts {
    QString row;
    QString column;
    QString address;
};
PositionTexts PositionOf(const TTPXGriddata& grid, int row, int column);

} // namespace GridCells
