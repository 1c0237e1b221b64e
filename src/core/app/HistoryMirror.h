#pragma once

#include <QFile>
#include <QObject>

class HistoryLog;

// Mirrors the history into a text file as it is written (the /L option), one line per history
// line in its final form: when the newest line later receives a status-column text it is
// rewritten in place. Every change is flushed at once, so a run that is killed still leaves its
// record behind; a write that fails is reported once and ends the mirroring.
class HistoryMirror : public QObject
{
    Q_OBJECT
public:
    HistoryMirror(HistoryLog& log, QObject* parent = nullptr);

    // Starts mirroring into path (created or truncated). False with the reason when it cannot.
    bool Open(const QString& path, QString* errorText = nullptr);
    bool IsOpen() const { return m_file.isOpen(); }
    // Writes an extra line that is not part of the history (the exit word).
    void WriteExtraLine(const QString& text);
    // The log asked for is not whole: it could not be opened, or a write to it failed.
    bool Lost() const { return m_lost; }

signals:
    // A write failed (a full disk, a failing medium): emitted once, with the system's reason;
    // the mirror then stops writing.
    void WriteFailed(const QString& reason);

private:
    void OnLineAdded();
    void OnNewestLineChanged();
    bool WriteNewest();
    bool WriteLine(const QString& text);

    HistoryLog& m_log;
    QFile m_file;
    qint64 m_lastLineStart = -1; // file offset of the newest history line, -1 before the first
    bool m_lost = false;
};
