#pragma once

#include "CsvTokenizer.h"

#include <cstddef>

// Whether the tokenizer reads `text` to its end without finding it malformed.
inline bool TokenizesToEnd(const char* text, std::size_t size)
{
    CsvTokenizer tokenizer;
    const char* pos = text;
    for (;;) {
        const CsvTokenizer::Step step = tokenizer.Next(pos, text + size, true, false);
        if (step == CsvTokenizer::Step::End)
            return true;
        if (step == CsvTokenizer::Step::Error)
            return false;
    }
}
