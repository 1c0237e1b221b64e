#include "core/context/OperatorInterface.h"

namespace {
SoundKind SoundOf(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::Error: return SoundKind::Error;
    case BoxIcon::Warning: return SoundKind::Warning;
    case BoxIcon::Question: return SoundKind::Question;
    case BoxIcon::Information: return SoundKind::Information;
    case BoxIcon::None: break;
    }
    return SoundKind::None;
}

MessageRequest Box(const QString& caption, const QString& text, BoxIcon icon, int buttons, BoxButton def)
{
    MessageRequest request;
    request.caption = caption;
    request.text = text;
    request.icon = icon;
    request.sound = SoundOf(icon);
    request.buttons = buttons;
    request.defaultButton = def;
    return request;
}
} // namespace

void OperatorInterface::ShowError(const QString& caption, const QString& text)
{
    ShowMessage(Box(caption, text, BoxIcon::Error, OkButton, OkButton));
}

void OperatorInterface::ShowWarning(const QString& caption, const QString& text)
{
    ShowMessage(Box(caption, text, BoxIcon::Warning, OkButton, OkButton));
}

void OperatorInterface::ShowInformation(const QString& caption, const QString& text)
{
    ShowMessage(Box(caption, text, BoxIcon::Information, OkButton, OkButton));
}

BoxButton OperatorInterface::AskOkCancel(const QString& caption, const QString& text, BoxIcon icon)
{
    return ShowMessage(Box(caption, text, icon, OkButton | CancelButton, OkButton));
}

QString DisplayText(const QString& text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(u'\r', u'\n');
    return shown;
}
