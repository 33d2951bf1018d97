#pragma once

// What each fuzz target does with one input, shared with the test that replays kept inputs.

#include <cstddef>
#include <cstdint>

namespace kernwick::fontmeta::fuzz {

// The input is split at "\n@@\n" into the parts of a small presentation package, in a fixed order of
// part names (see fuzzentries.cpp), and read as a package.
void readOoxmlParts(const uint8_t *data, size_t size);
// The input is a whole Compound File.
void readCompoundFile(const uint8_t *data, size_t size);
// The first byte gives the length of a Current User stream that follows; the rest is the document
// stream. The whole input is also read as a document summary property set.
void readPptRecords(const uint8_t *data, size_t size);

} // namespace kernwick::fontmeta::fuzz
