// libFuzzer's entry for one target; PRAXON_FUZZ_TARGET names the function of FuzzTargets.h.
#include "FuzzTargets.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    return PraxonFuzz::PRAXON_FUZZ_TARGET(data, size);
}
