// One libFuzzer target; KERNWICK_FUZZ_ENTRY names the function of fuzzentries.h it exercises.

#include <fontmeta/keynote/fuzz/fuzzentries.h>

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    kernwick::fontmeta::fuzz::KERNWICK_FUZZ_ENTRY(
        QByteArrayView(reinterpret_cast<const char *>(data), qsizetype(size)));
    return 0;
}
