#pragma once

#include <cstddef>
#include <vector>

namespace quorvel {

// Turns a finished raw deflate stream into one that goes on: the final block is marked as not
// the last, and an empty stored block (a sync flush marker) brings the stream to a byte boundary,
// so that the next block, compressed apart, can follow it. `scratch` holds the inflated data while
// the block boundaries are found and is reused between calls; `size` is how much data the stream
// holds. False when the stream does not inflate to exactly that (it is left as it was).
bool openFinishedStream(std::vector<unsigned char>& stream, std::size_t size, std::vector<unsigned char>& scratch);

} // namespace quorvel
