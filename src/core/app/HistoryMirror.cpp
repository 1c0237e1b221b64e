#include "core/app/HistoryMirror.h"

#include "core/context/HistoryLog.h"

HistoryMirror::HistoryMirror(HistoryLog& log, QObject* parent) : QObject(parent), m_log(log)
{
    connect(&m_log, &HistoryLog::LineAdded, this, &HistoryMirror::OnLineAdded);
    connect(&m_log, &HistoryLog::NewestLineChanged, this, &HistoryMirror::OnNewestLineChanged);
}

bool HistoryMirror::Open(const QString& path, QString* errorText)
{
    m_file.close();
    m_file.setFileName(path);
    m_lastLineStart = -1;
    m_lost = false;
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Truncate)) {
        m_lost = true;
        if (errorText)
            *errorText = m_file.errorString();
        return false;
    }
    return true;
}

void HistoryMirror::OnLineAdded()
{
    if (!m_file.isOpen())
        return;
    // A pipe or a device (/L/dev/stdout) cannot be rewritten in place: a changed newest line is
    // written there again as a line of its own.
    if (!m_file.isSequential()) {
        m_lastLineStart = m_file.size();
        m_file.seek(m_lastLineStart);
    }
    WriteNewest();
}

void HistoryMirror::OnNewestLineChanged()
{
    if (!m_file.isOpen())
        return;
    if (m_file.isSequential()) {
        WriteNewest();
        return;
    }
    if (m_lastLineStart < 0)
        return;
    m_file.seek(m_lastLineStart);
    if (WriteNewest())
        m_file.resize(m_file.pos());
}

bool HistoryMirror::WriteNewest()
{
    return WriteLine(m_log.Newest().text);
}

void HistoryMirror::WriteExtraLine(const QString& text)
{
    if (!m_file.isOpen())
        return;
    if (!m_file.isSequential())
        m_file.seek(m_file.size());
    WriteLine(text);
    m_lastLineStart = -1; // the extra line is not a history line: never rewrite it
}

bool HistoryMirror::WriteLine(const QString& text)
{
    const QByteArray line = text.toUtf8() + '\n';
    if (m_file.write(line) == line.size() && m_file.flush())
        return true;
    // A full disk or a failing medium: the log from here on is lost. It is said once, and the
    // mirror stops, so a later line cannot land in the file after a gap.
    const QString reason = m_file.errorString();
    m_lost = true;
    m_file.close();
    emit WriteFailed(reason);
    return false;
}
