#include "CodePage932Bytes.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <iconv.h>

// What glibc's CP932 converter, the one CodePage932 decodes with, makes of every
// byte and every pair after a lead byte: 0 when they convert, else its errno
// (EINVAL for a character cut short).
TEST(CodePage932Bytes, AgreesWithTheSystemConverterOnEveryByteAndPair)
{
    using B = CodePage932Bytes;
    iconv_t cd = iconv_open("UTF-16LE", "CP932");
    ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
    const auto convert = [&](std::initializer_list<unsigned> bytes) {
        char in[2], out[16];
        char *from = in, *to = out;
        std::size_t inLeft = 0, outLeft = sizeof out;
        for (unsigned byte : bytes)
            in[inLeft++] = static_cast<char>(byte);
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        return iconv(cd, &from, &inLeft, &to, &outLeft) == static_cast<std::size_t>(-1) ? errno : 0;
    };
    for (unsigned first = 0; first < 256; ++first) {
        const int alone = convert({first});
        const B::Kind kind = B::KindOf(first);
        EXPECT_EQ(kind, alone == EINVAL ? B::Lead
                        : alone != 0    ? B::Invalid
                        : first < 0x80  ? B::Ascii
                                        : B::Single)
            << "byte " << first;
        for (unsigned second = 0; kind == B::Lead && second < 256; ++second)
            EXPECT_EQ(B::IsPair(first, second), convert({first, second}) == 0)
                << "bytes " << first << ' ' << second;
    }
    iconv_close(cd);
}
