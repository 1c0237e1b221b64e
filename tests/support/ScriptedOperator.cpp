#include "ScriptedOperator.h"

BoxButton ScriptedOperator::ShowMessage(const MessageRequest& request)
{
    if (request.sound != SoundKind::None)
        sounds << request.sound;
    boxes << request;
    if (!m_answers.empty()) {
        const BoxButton answer = m_answers.front();
        m_answers.pop_front();
        return answer;
    }
    return request.defaultButton;
}

QString ScriptedOperator::ChooseOpenFile(const FileRequest& request)
{
    fileRequests << request;
    if (m_files.empty())
        return QString();
    const QString path = m_files.front();
    m_files.pop_front();
    return path;
}

QString ScriptedOperator::ChooseSaveFile(const FileRequest& request)
{
    return ChooseOpenFile(request);
}

bool ScriptedOperator::AskText(const QString&, const QString& prompt, QString& value)
{
    prompts << prompt;
    if (m_texts.empty())
        return false;
    value = m_texts.front();
    m_texts.pop_front();
    return true;
}

QStringList ScriptedOperator::Captions() const
{
    QStringList list;
    for (const MessageRequest& box : boxes)
        list << box.caption;
    return list;
}

QStringList ScriptedOperator::Texts() const
{
    QStringList list;
    for (const MessageRequest& box : boxes)
        list << box.text;
    return list;
}

void ScriptedOperator::Clear()
{
    boxes.clear();
    sounds.clear();
    fileRequests.clear();
    prompts.clear();
    notices.clear();
    passwordsOffered.clear();
}

bool ScriptedOperator::ShowNotice(const NoticeRequest& request)
{
    notices << request;
    if (request.passwordMode && request.password) {
        passwordsOffered << *request.password;
        if (!m_passwords.empty()) {
            *request.password = m_passwords.front();
            m_passwords.pop_front();
        }
    }
    if (m_ticks.empty())
        return request.ticked;
    const bool ticked = m_ticks.front();
    m_ticks.pop_front();
    return ticked;
}
