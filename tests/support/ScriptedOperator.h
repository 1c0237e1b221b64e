#pragma once

#include "core/context/OperatorInterface.h"

#include <QList>
#include <QString>
#include <deque>

// A scripted operator for tests: records every box, sound, file request and input box, and
// answers from queued answers (or with the box's default button when the queue is empty).
class ScriptedOperator : public OperatorInterface
{
public:
    BoxButton ShowMessage(const MessageRequest& request) override;
    void PlaySound(SoundKind sound) override { sounds << sound; }
    QString ChooseOpenFile(const FileRequest& request) override;
    QString ChooseSaveFile(const FileRequest& request) override;
    bool AskText(const QString& caption, const QString& prompt, QString& value) override;
    // Recorded in notices; answered from the queued ticks, else with the initial tick.
    bool ShowNotice(const NoticeRequest& request) override;

    void QueueAnswer(BoxButton button) { m_answers.push_back(button); }
    void QueueFile(const QString& path) { m_files.push_back(path); }
    void QueueText(const QString& text) { m_texts.push_back(text); }
    void QueueNoticeTick(bool ticked) { m_ticks.push_back(ticked); }
    // The text typed into the next password notice (without one, the offered text stays).
    void QueuePassword(const QString& text) { m_passwords.push_back(text); }

    // The captions / texts of the boxes shown so far, in order.
    QStringList Captions() const;
    QStringList Texts() const;
    void Clear();

    QList<MessageRequest> boxes;
    QList<SoundKind> sounds; // sounds played outside boxes and before boxes, in order
    QList<FileRequest> fileRequests;
    QStringList prompts;
    QList<NoticeRequest> notices;
    QStringList passwordsOffered; // what each password notice's box held when it opened

private:
    std::deque<BoxButton> m_answers;
    std::deque<QString> m_files;
    std::deque<QString> m_texts;
    std::deque<bool> m_ticks;
    std::deque<QString> m_passwords;
};
