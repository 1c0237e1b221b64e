#include "core/editors/GridCells.h"

#include "core/util/HexText.h"

#include <algorithm>

namespace GridCells {

namespace {
qsizetype UsedElements(const TTPXGriddata& grid, qsizetype bufferSize)
{
    return std::clamp<qsizetype>(grid.size, 0, bufferSize);
}

int FirstOfGroup(int column)
{
    return KindOf(column) == Kind::Character ? FirstCharacter : FirstData;
}

int LastRowOf(const TTPXGriddata& grid)
{
    return std::max(grid.rows, 1) - 1;
}

// The last cell in use of the row (in the column's group), or nullopt when the row has none.
std::optional<Position> LastUsedInRow(const TTPXGriddata& grid, qsizetype bufferSize, int row, int first)
{
    const qsizetype used = UsedElements(grid, bufferSize);
    const qint64 rowStart = qint64(row) * CellsPerRow;
    if (rowStart >= used)
        return std::nullopt;
    const int cells = int(std::min<qint64>(CellsPerRow, used - rowStart));
    return Position{row, first + cells - 1};
}
} // namespace

Kind KindOf(int column)
{
    if (column == AddressColumn)
        return Kind::Address;
    if (column == FirstSeparator || column == SecondSeparator)
        return Kind::Separator;
    if (column >= FirstData && column <= LastData)
        return Kind::Data;
    if (column >= FirstCharacter && column <= LastCharacter)
        return Kind::Character;
    return Kind::Filler;
}

qint64 ElementOf(int row, int column)
{
    if (row < 0)
        return -1;
    switch (KindOf(column)) {
    case Kind::Data: return qint64(row) * CellsPerRow + column - FirstData;
    case Kind::Character: return qint64(row) * CellsPerRow + column - FirstCharacter;
    default: return -1;
    }
}

bool IsCell(const TTPXGriddata& grid, qsizetype bufferSize, int row, int column)
{
    const qint64 element = ElementOf(row, column);
    return element >= 0 && element < UsedElements(grid, bufferSize);
}

int DataDigits(const TTPXGriddata& grid)
{
    return grid.cellKind == TTPXGriddata::Bytes ? 2 : 4;
}

int AddressDigits(const TTPXGriddata& grid)
{
    return grid.cellKind == TTPXGriddata::DoubleWords ? 8 : 4;
}

QString DisplayText(const TTPXGriddata& grid, std::span<const quint16> buffer, int row, int column)
{
    switch (KindOf(column)) {
    case Kind::Address: return HexWord(quint64(qint64(row) * CellsPerRow + grid.startAddress), AddressDigits(grid));
    case Kind::Separator: return column == FirstSeparator ? QStringLiteral(":") : QStringLiteral("\u00BB");
    case Kind::Filler: return {};
    case Kind::Data:
    case Kind::Character: break;
    }
    if (!IsCell(grid, qsizetype(buffer.size()), row, column))
        return {};
    const quint16 value = buffer[size_t(ElementOf(row, column))];
    if (KindOf(column) == Kind::Data) {
        if (grid.cellKind == TTPXGriddata::Bytes)
            return HexWord(value & 0xFF, 2);
        return HexWord(value & grid.wordMask, 4);
    }
    const QChar c(ushort(value & 0x7F));
    return c.isLetterOrNumber() ? QString(c) : QStringLiteral(".");
}

QString EditText(const TTPXGriddata& grid, std::span<const quint16> buffer, int row, int column)
{
    if (!IsCell(grid, qsizetype(buffer.size()), row, column))
        return {};
    if (KindOf(column) == Kind::Data)
        return DisplayText(grid, buffer, row, column);
    return QString(QChar(ushort(buffer[size_t(ElementOf(row, column))] & 0xFF)));
}

std::optional<quint16> ParseHexValue(const QString& text)
{
    const QString digits = text.trimmed();
    if (digits.isEmpty())
        return std::nullopt;
    bool error = false;
    const quint64 value = ParseHexText(digits, &error);
    if (error)
        return std::nullopt;
    return quint16(value & 0xFFFF);
}

quint16 RetlwOf(const QString& coreFamily)
{
    if (coreFamily == QLatin1String("5X"))
        return 0x0800;
    if (coreFamily == QLatin1String("XX"))
        return 0x3400;
    if (coreFamily == QLatin1String("18X"))
        return 0x0C00;
    return 0;
}

bool StoreCell(const TTPXGriddata& grid, std::span<quint16> buffer, int row, int column, const QString& typed)
{
    if (!IsCell(grid, qsizetype(buffer.size()), row, column))
        return false;
    quint16& element = buffer[size_t(ElementOf(row, column))];
    if (KindOf(column) == Kind::Character) {
        if (typed.size() != 1 || typed.at(0).unicode() > 0xFF)
            return false;
        element = quint16((typed.at(0).unicode() | RetlwOf(grid.coreFamily)) & grid.wordMask);
        return true;
    }
    const std::optional<quint16> value = ParseHexValue(typed);
    if (!value)
        return false;
    element =
        grid.cellKind == TTPXGriddata::Bytes ? quint16(*value & 0xFF & grid.wordMask) : quint16(*value & grid.wordMask);
    return true;
}

Position MoveFrom(const TTPXGriddata& grid, qsizetype bufferSize, Position from, Move move)
{
    const Kind kind = KindOf(from.column);
    if (kind != Kind::Data && kind != Kind::Character)
        return from;
    const int first = FirstOfGroup(from.column);
    const int last = first + CellsPerRow - 1;
    const int lastRow = LastRowOf(grid);
    switch (move) {
    case Move::Up:
    case Move::Down: {
        const Position to{from.row + (move == Move::Up ? -1 : 1), from.column};
        return to.row >= 0 && to.row <= lastRow && IsCell(grid, bufferSize, to.row, to.column) ? to : from;
    }
    case Move::Right: {
        Position to = from.column < last ? Position{from.row, from.column + 1} : Position{from.row + 1, first};
        if (to.row > lastRow || !IsCell(grid, bufferSize, to.row, to.column))
            to = Position{0, first};
        return IsCell(grid, bufferSize, to.row, to.column) ? to : from;
    }
    case Move::Left: {
        if (from.column > first)
            return Position{from.row, from.column - 1};
        const int row = from.row > 0 ? from.row - 1 : lastRow;
        if (IsCell(grid, bufferSize, row, last))
            return Position{row, last};
        // The row above is the last one and only partly in use: its last cell in use.
        const qsizetype used = UsedElements(grid, bufferSize);
        if (used == 0)
            return from;
        const std::optional<Position> end = LastUsedInRow(grid, bufferSize, int((used - 1) / CellsPerRow), first);
        return end.value_or(from);
    }
    }
    return from;
}

PositionTexts PositionOf(const TTPXGriddata& grid, int row, int column)
{
    const Kind kind = KindOf(column);
    if (kind != Kind::Data && kind != Kind::Character)
        return {};
    const int number = column - FirstOfGroup(column) + 1;
    const qint64 address = qint64(row) * CellsPerRow + number - 1 + grid.startAddress;
    return {QString::number(row + 1), QString::number(number), HexWord(quint64(address), 4)};
}

} // namespace GridCells
