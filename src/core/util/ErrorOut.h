#pragma once

#include <QString>
#include <exception>

// An operator-reportable problem with a file or a setting. Thrown by the code that finds it and
// caught by the command that started the work, which shows the message in a dialog.
class ErrorOut : public std::exception
{
public:
    explicit ErrorOut(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString& Message() const { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
