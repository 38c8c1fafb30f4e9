#include "CodePage932Bytes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <iconv.h>

namespace {

// 0 when glibc's CP932 converter takes the bytes, else its errno (EINVAL: incomplete).
int Convert(iconv_t cd, unsigned char first, int second = -1)
{
    char bytes[] = {static_cast<char>(first), static_cast<char>(second)};
    char out[16];
    char *in = bytes, *dst = out;
    std::size_t inLeft = second < 0 ? 1 : 2, outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    return iconv(cd, &in, &inLeft, &dst, &outLeft) == static_cast<std::size_t>(-1) ? errno : 0;
}

} // namespace

TEST(CodePage932Bytes, AgreesWithTheSystemConverterOnEveryByteAndPair)
{
    using B = CodePage932Bytes;
    iconv_t cd = iconv_open("UTF-16LE", "CP932");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    for (unsigned first = 0; first < 256; ++first) {
        const int alone = Convert(cd, first);
        const B::Kind kind = B::KindOf(first);
        EXPECT_EQ(kind, alone == EINVAL ? B::Lead
                        : alone != 0    ? B::Invalid
                        : first < 0x80  ? B::Ascii
                                        : B::Single)
            << "byte " << first;
        for (unsigned second = 0; kind == B::Lead && second < 256; ++second)
            EXPECT_EQ(B::IsPair(first, second), Convert(cd, first, second) == 0)
                << "bytes " << first << ' ' << second;
    }
    iconv_close(cd);
}
