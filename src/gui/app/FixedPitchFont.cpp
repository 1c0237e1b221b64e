#include "gui/app/FixedPitchFont.h"

#include <QFontDatabase>
#include <QStringList>

namespace {
constexpr int PixelHeight = 12;
} // namespace

QFont FixedPitchFont()
{
    // hasFamily looks at installed families only, so a fontconfig alias (Courier New -> some
    // substitute) does not hide the choice made here.
    static const QStringList preferred{QStringLiteral("Courier New"), QStringLiteral("Liberation Mono")};
    QFont font;
    bool found = false;
    for (const QString& family : preferred) {
        if (QFontDatabase::hasFamily(family)) {
            font = QFont(family);
            found = true;
            break;
        }
    }
    if (!found)
        font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(PixelHeight);
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    return font;
}
