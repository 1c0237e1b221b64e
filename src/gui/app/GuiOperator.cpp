#include "gui/app/GuiOperator.h"

#include "gui/link/Tnagscreen.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <array>
#include <utility>

namespace {
// Our buttons and Qt's, in the order Qt lays them out by role.
constexpr std::array<std::pair<BoxButton, QMessageBox::StandardButton>, 7> ButtonMap{{
    {OkButton, QMessageBox::Ok},
    {YesButton, QMessageBox::Yes},
    {NoButtonAnswer, QMessageBox::No},
    {RetryButton, QMessageBox::Retry},
    {AbortButton, QMessageBox::Abort},
    {IgnoreButton, QMessageBox::Ignore},
    {CancelButton, QMessageBox::Cancel},
}};

QMessageBox::StandardButton StandardOf(BoxButton button)
{
    for (const auto& [ours, qt] : ButtonMap)
        if (ours == button)
            return qt;
    return QMessageBox::NoButton;
}

QMessageBox::Icon IconOf(BoxIcon icon)
{
    switch (icon) {
    case BoxIcon::Error: return QMessageBox::Critical;
    case BoxIcon::Warning: return QMessageBox::Warning;
    case BoxIcon::Question: return QMessageBox::Question;
    case BoxIcon::Information: return QMessageBox::Information;
    case BoxIcon::None: break;
    }
    return QMessageBox::NoIcon;
}

QString StartPath(const FileRequest& request)
{
    if (request.fileName.isEmpty())
        return request.directory;
    if (request.directory.isEmpty())
        return request.fileName;
    return QDir(request.directory).filePath(request.fileName);
}
} // namespace

GuiOperator::GuiOperator(QWidget* parent) : m_parent(parent) {}

void GuiOperator::Prepare(QMessageBox& box, const MessageRequest& request)
{
    box.setWindowTitle(request.caption);
    box.setText(DisplayText(request.text));
    box.setTextFormat(Qt::PlainText);
    box.setIcon(IconOf(request.icon));
    QMessageBox::StandardButtons buttons;
    for (const auto& [ours, qt] : ButtonMap)
        if (request.buttons & ours)
            buttons |= qt;
    box.setStandardButtons(buttons);
    if (request.buttons & request.defaultButton)
        box.setDefaultButton(StandardOf(request.defaultButton));
}

BoxButton GuiOperator::AnswerOf(int standardButton)
{
    for (const auto& [ours, qt] : ButtonMap)
        if (qt == standardButton)
            return ours;
    return NoButton;
}

BoxButton GuiOperator::ShowMessage(const MessageRequest& request)
{
    PlaySound(request.sound);
    QMessageBox box(m_parent);
    Prepare(box, request);
    box.exec();
    if (request.buttons == 0)
        return NoButton;
    const BoxButton answer = AnswerOf(box.standardButton(box.clickedButton()));
    if (answer != NoButton)
        return answer;
    // Closed without a button (window close on a box that has no escape button): the safe
    // answer is Cancel when it was offered, otherwise the default.
    return (request.buttons & CancelButton) ? CancelButton : request.defaultButton;
}

void GuiOperator::PlaySound(SoundKind sound)
{
    // Desktop sound themes are not reachable portably from Qt; every kind is the system beep.
    if (sound != SoundKind::None)
        QApplication::beep();
}

QString GuiOperator::ChooseOpenFile(const FileRequest& request)
{
    return QFileDialog::getOpenFileName(m_parent, request.caption, StartPath(request), request.filter);
}

QString GuiOperator::ChooseSaveFile(const FileRequest& request)
{
    return QFileDialog::getSaveFileName(m_parent, request.caption, StartPath(request), request.filter);
}

bool GuiOperator::ShowNotice(const NoticeRequest& request)
{
    if (!m_notice)
        m_notice = new Tnagscreen(m_parent);
    // The caller keeps the entered password between prompts; an empty one starts the box empty.
    if (request.password && request.password->isEmpty())
        m_notice->ClearEnteredPassword();
    const bool ticked =
        m_notice->ShowNotice(request.title, request.text, request.passwordMode, request.checkText, request.ticked);
    if (request.password)
        *request.password = m_notice->EnteredPassword();
    return ticked;
}

bool GuiOperator::AskText(const QString& caption, const QString& prompt, QString& value)
{
    bool accepted = false;
    const QString answer =
        QInputDialog::getText(m_parent, caption, DisplayText(prompt), QLineEdit::Normal, value, &accepted);
    if (accepted)
        value = answer;
    return accepted;
}
