#pragma once

#include <QtGlobal>

// A history colour: a fixed RGB value or one of the two system colours the list resolves when it
// paints (window text, window background). Core code cannot use QColor, which lives in QtGui.
struct HistoryColour {
    enum class Kind : quint8 { Rgb, WindowText, Window };
    Kind kind = Kind::WindowText;
    quint32 rgb = 0; // 0xRRGGBB, meaningful for Kind::Rgb

    static constexpr HistoryColour FromRgb(int r, int g, int b)
    {
        return {Kind::Rgb, (quint32(r) << 16) | (quint32(g) << 8) | quint32(b)};
    }
    static constexpr HistoryColour WindowText() { return {Kind::WindowText, 0}; }
    static constexpr HistoryColour Window() { return {Kind::Window, 0}; }

    bool IsWindowText() const { return kind == Kind::WindowText; }
    bool IsBlack() const { return kind == Kind::Rgb && rgb == 0; }
    friend bool operator==(const HistoryColour&, const HistoryColour&) = default;
};

namespace HistoryColours {
constexpr HistoryColour Shaded = HistoryColour::FromRgb(192, 207, 204);
constexpr HistoryColour Red = HistoryColour::FromRgb(255, 0, 0);
constexpr HistoryColour Green = HistoryColour::FromRgb(0, 128, 0);
constexpr HistoryColour Olive = HistoryColour::FromRgb(128, 128, 0);
} // namespace HistoryColours

// The eight named styles the writers use.
enum class HistoryStyle {
    Normal,
    FileInformation,
    Highlight,
    FileWarning,
    FileError,
    Error,
    Success,
    Skipped,
};

struct HistoryStyleColours {
    HistoryColour text;
    HistoryColour background;
};

constexpr HistoryStyleColours ColoursOf(HistoryStyle style)
{
    using namespace HistoryColours;
    switch (style) {
    case HistoryStyle::Normal: return {HistoryColour::WindowText(), HistoryColour::Window()};
    case HistoryStyle::FileInformation: return {HistoryColour::WindowText(), Shaded};
    case HistoryStyle::Highlight: return {HistoryColour::Window(), Shaded};
    case HistoryStyle::FileWarning: return {Olive, Shaded};
    case HistoryStyle::FileError: return {Red, Shaded};
    case HistoryStyle::Error: return {Red, HistoryColour::Window()};
    case HistoryStyle::Success: return {Green, HistoryColour::Window()};
    case HistoryStyle::Skipped: return {Olive, HistoryColour::Window()};
    }
    return {HistoryColour::WindowText(), HistoryColour::Window()};
}
