#include "gui/editors/EditorLook.h"

#include "gui/app/ActionIcons.h"
#include "gui/app/FixedPitchFont.h"

#include <QApplication>
#include <QPalette>
#include <QToolButton>

namespace EditorLook {

QToolButton* HexOptionsButton(QWidget* parent)
{
    auto* button = new QToolButton(parent);
    button->setObjectName(QStringLiteral("B_HexOptions"));
    button->setIcon(ThemeIcon("document-properties", QStyle::SP_FileDialogDetailedView));
    button->setToolTip(QStringLiteral("Show HEX Options"));
    button->setAccessibleName(QStringLiteral("Show HEX Options"));
    button->setAutoRaise(true);
    return button;
}

void PaintInput(QWidget* input, bool enabled)
{
    const QPalette standard = QApplication::palette();
    const QColor colour =
        enabled ? standard.color(QPalette::Active, QPalette::Base) : standard.color(QPalette::Active, QPalette::Dark);
    QPalette palette = input->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled}) {
        palette.setColor(group, QPalette::Base, colour);
        palette.setColor(group, QPalette::Button, enabled ? standard.color(group, QPalette::Button) : colour);
    }
    input->setPalette(palette);
}

QFont ValueFont()
{
    return FixedPitchFont();
}

} // namespace EditorLook
