#pragma once

#include <QApplication>
#include <QIcon>
#include <QStyle>

// A tool-bar picture: the desktop icon theme's icon of that name when the theme has one, else the
// style's built-in picture, so the tool bars look the same with or without an icon theme.
inline QIcon ThemeIcon(const char* themeName, QStyle::StandardPixmap fallback)
{
    return QIcon::fromTheme(QString::fromLatin1(themeName), QApplication::style()->standardIcon(fallback));
}
