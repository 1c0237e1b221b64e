// The control file's load into the options, the serial-number settings and the lock state. An
// ErrorOut (a serial-number length out of range) is the load's documented refusal.
#include "FuzzSupport.h"
#include "FuzzTargets.h"

#include "core/options/ControlFile.h"
#include "core/util/ErrorOut.h"
#include "core/util/IniFile.h"

namespace PraxonFuzz {

int ControlFileLoad(const uint8_t* data, size_t size)
{
    AppContext& ctx = SharedContext();
    IniFile file;
    file.SetText(Latin1(data, size));
    ctx.Flags().McuFromCommandLine = size % 2;
    try {
        ControlFile::Read(ctx, file);
    } catch (const ErrorOut&) {
    }
    return 0;
}

} // namespace PraxonFuzz
