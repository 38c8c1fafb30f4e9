// Any bytes, given to the quick whole-file check in pieces whose size the first
// byte picks: whenever it is certain, the tokenizer must read the text to its
// end without an error, and the pieces must not change its answer.

#include "CsvQuickCheck.h"
#include "Tokenizes.h"

#include <algorithm>
#include <cstdlib>

namespace {

bool Clean(const char* text, std::size_t size, std::size_t piece)
{
    CsvQuickCheck check;
    for (std::size_t at = 0; at < size; at += piece)
        check.Add(text + at, std::min(piece, size - at));
    return check.Clean();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const auto* text = reinterpret_cast<const char*>(data + 1);
    const std::size_t piece = 1 + data[0];
    const bool clean = Clean(text, size - 1, size);
    if (clean != Clean(text, size - 1, piece))
        std::abort();
    if (clean && !TokenizesToEnd(text, size - 1))
        std::abort();
    return 0;
}
