#pragma once

#include <QString>
#include <QtGlobal>

// The time-lapse text of a run: "1 Min, 15 Sec, 500 ms", "1 Min", "999 ms"; "?" for no time.
// Parts that are zero are left out; numbers are grouped in the locale's format.
QString FormatElapsed(qint64 ms);
