#pragma once

#include "core/app/AutoAnswerOperator.h"
#include "core/context/AppContext.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <cstdio>

namespace PraxonFuzz {

// The input as the program's readers see a file of it: Latin-1 text.
inline QString Latin1(const uint8_t* data, size_t size)
{
    return QString::fromLatin1(reinterpret_cast<const char*>(data), qsizetype(size));
}

// One context for the whole fuzzing process, over an application directory that does not exist
// (so nothing the input names is found on disk), with every box answered and its text dropped.
// Made once: a context holds megabytes of image buffers, and making one per input would be most of
// the work.
inline AppContext& SharedContext()
{
    static AutoAnswerOperator op(std::fopen("/dev/null", "w"));
    static AppContext ctx(op, QStringLiteral("/nonexistent-praxon-fuzz-dir/"));
    return ctx;
}

} // namespace PraxonFuzz
