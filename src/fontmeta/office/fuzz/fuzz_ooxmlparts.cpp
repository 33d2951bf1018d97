#include "fuzzentries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    kernwick::fontmeta::fuzz::readOoxmlParts(data, size);
    return 0;
}
