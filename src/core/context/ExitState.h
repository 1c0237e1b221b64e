#pragma once

#include "core/context/ExitStatus.h"

#include <QString>

// How the run ends, kept in one place: the exit word (the low 16 bits of the link error word, as
// the link publishes them after every change, or FailedRun for a failed run whose word is 0) and
// whether a file or settings problem ended the run. The process status is derived from these two
// alone, once, when the program ends.
class ExitState
{
public:
    int Word() const { return m_word; }
    void SetWord(int word) { m_word = word & 0xFFFF; }

    // A file or settings problem ended the run (or the Auto Run could not start).
    bool FileError() const { return m_fileError; }
    void SetFileError() { m_fileError = true; }

    // The 8-bit status the process returns (see ExitStatus for the mapping).
    int ProcessStatus() const { return ExitStatus::FromExitCode(m_word, m_fileError); }
    // The line that reports the whole word on standard error; empty while the word is 0.
    QString WordLine() const { return m_word != 0 ? ExitStatus::WordLine(m_word) : QString(); }

private:
    int m_word = 0;
    bool m_fileError = false;
};
