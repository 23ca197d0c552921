#include "FuzzRequire.h"

#include <cstdio>
#include <cstdlib>

void Require(bool holds, const char *rule)
{
    if (holds)
        return;
    std::fprintf(stderr, "broken rule: %s\n", rule);
    std::abort();
}
