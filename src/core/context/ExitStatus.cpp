#include "core/context/ExitStatus.h"

#include "core/util/HexText.h"

namespace ExitStatus {

int FromExitCode(int exitCode16, bool fileError)
{
    if (fileError)
        return FileError;
    const int word = exitCode16 & 0xFFFF;
    if (word == 0)
        return 0;
    int status = word & 0x7F;
    if (word & 0xFF80)
        status |= 0x80 | 0x08;
    return status;
}

QString WordLine(int exitCode16)
{
    return QStringLiteral("praxon: exit word: 0x") + HexWord(quint64(exitCode16 & 0xFFFF), 4);
}

} // namespace ExitStatus
