#include "CodePage932Bytes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <iconv.h>

namespace {

// What glibc's CP932 converter makes of `size` bytes: 0 when they convert,
// otherwise its errno (EINVAL for an incomplete character).
int Convert(iconv_t cd, const unsigned char* bytes, std::size_t size)
{
    char* in = reinterpret_cast<char*>(const_cast<unsigned char*>(bytes));
    std::size_t inLeft = size;
    char out[16];
    char* dst = out;
    std::size_t outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return iconv(cd, &in, &inLeft, &dst, &outLeft) == static_cast<std::size_t>(-1) ? errno : 0;
}

} // namespace

TEST(CodePage932Bytes, AgreesWithTheSystemConverterOnEveryByteAndPair)
{
    iconv_t cd = iconv_open("UTF-16LE", "CP932");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    for (unsigned first = 0; first < 256; ++first) {
        const unsigned char single[] = {static_cast<unsigned char>(first)};
        const int alone = Convert(cd, single, 1);
        using B = CodePage932Bytes;
        const B::Kind kind = B::KindOf(single[0]);
        EXPECT_EQ(kind, alone == EINVAL ? B::Lead
                        : alone != 0    ? B::Invalid
                        : first < 0x80  ? B::Ascii
                                        : B::Single)
            << "byte " << first;
        if (kind != B::Lead)
            continue;
        for (unsigned second = 0; second < 256; ++second) {
            const unsigned char pair[] = {single[0], static_cast<unsigned char>(second)};
            EXPECT_EQ(CodePage932Bytes::IsPair(pair[0], pair[1]), Convert(cd, pair, 2) == 0)
                << "bytes " << first << ' ' << second;
        }
    }
    iconv_close(cd);
}
