#pragma once

#include "core/context/OperatorInterface.h"

#include <QPointer>
#include <QWidget>

class QMessageBox;
class Tnagscreen;

// The operator interface of the interactive program: message boxes, file choosers and input
// boxes are Qt's standard dialogs, modal to the parent widget (the main window once it exists).
// The sound of a box is played before the box appears.
class GuiOperator : public OperatorInterface
{
public:
    explicit GuiOperator(QWidget* parent = nullptr);

    // The window the dialogs belong to; may change after construction (start-up shows boxes
    // before the main window exists). A destroyed parent is forgotten.
    void SetParentWidget(QWidget* parent) { m_parent = parent; }
    QWidget* ParentWidget() const { return m_parent; }

    BoxButton ShowMessage(const MessageRequest& request) override;
    void PlaySound(SoundKind sound) override;
    QString ChooseOpenFile(const FileRequest& request) override;
    QString ChooseSaveFile(const FileRequest& request) override;
    bool AskText(const QString& caption, const QString& prompt, QString& value) override;
    // The program's notice dialog (Tnagscreen), made on first use; it keeps the password entered
    // for the whole run.
    bool ShowNotice(const NoticeRequest& request) override;

    // Fills a box from a request without showing it; ShowMessage runs it.
    static void Prepare(QMessageBox& box, const MessageRequest& request);
    // The button of the request that a box answer stands for (NoButton if it is none of ours).
    static BoxButton AnswerOf(int standardButton);

private:
    QPointer<QWidget> m_parent;
    QPointer<Tnagscreen> m_notice;
};
