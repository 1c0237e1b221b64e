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
    if (!m_file.open(QIODevice::ReadWrite | QIODevice::Truncate)) {
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
    m_lastLineStart = m_file.size();
    m_file.seek(m_lastLineStart);
    WriteNewest();
}

void HistoryMirror::OnNewestLineChanged()
{
    if (!m_file.isOpen() || m_lastLineStart < 0)
        return;
    m_file.seek(m_lastLineStart);
    WriteNewest();
    m_file.resize(m_file.pos());
}

void HistoryMirror::WriteNewest()
{
    m_file.write(m_log.Newest().text.toUtf8());
    m_file.write("\n");
    m_file.flush();
}

void HistoryMirror::WriteExtraLine(const QString& text)
{
    if (!m_file.isOpen())
        return;
    m_file.seek(m_file.size());
    m_file.write(text.toUtf8());
    m_file.write("\n");
    m_file.flush();
    m_lastLineStart = -1; // the extra line is not a history line: never rewrite it
}
