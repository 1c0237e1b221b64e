#pragma once

#include <QString>

// The process exit status. The program keeps its exit code 16 bits wide, equal to the low 16 bits
// of the link error word (or 8 for a failed run whose word is 0). A process on Linux returns only
// 8 bits, so the code is folded into a status that is never 0 for a failure:
//
//   0               success
//   0x01 .. 0x7F    the link error bits 0x01 .. 0x40 as they are (port error, not responding,
//                   bad data, task failed, firmware not synchronised, high speed failed, user abort)
//   0x80 | 0x08 | b any of the bits 0x80 .. 0x8000 (unknown error, the voltage faults) was set;
//                   they also count as a failed task; b are the low bits as above
//   128             a file or settings problem ended the unattended run, or the Auto Run could not
//                   start (no usable file, unknown MCU, missing control file, ...)
//
// The full 16-bit word is written to standard error as "praxon: exit word: 0x...." whenever it is
// not 0, so a caller that needs every bit can read it there.
namespace ExitStatus {
constexpr int FileError = 128; // exit status for an ErrorOut or an Auto Run that could not start
constexpr int FailedRun = 8;   // exit code of a failed run whose error word is 0

int FromExitCode(int exitCode16, bool fileError);
QString WordLine(int exitCode16); // "praxon: exit word: 0x0108"
} // namespace ExitStatus
