#include "FuzzTargets.h"

#include <cstdio>
#include <cstdlib>

namespace PraxonFuzz {

void Fail(const char* what)
{
    std::fprintf(stderr, "praxon fuzz: %s\n", what);
    std::abort();
}

} // namespace PraxonFuzz
