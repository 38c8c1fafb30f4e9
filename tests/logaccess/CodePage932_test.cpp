#include "CodePage932.h"

#include <gtest/gtest.h>

TEST(CodePage932, DecodesWindowsCharactersAndReplacesInvalidBytes)
{
    CodePage932 codec;
    const std::pair<QByteArray, const char16_t*> cases[] = {
        // ① (NEC row 13), 髙 (IBM extension), ～ and － as Windows maps them; \ and ~ stay ASCII.
        {"\x87\x40\xFB\xFC\x81\x60\x81\x7C\\~\xB1", u"①髙～－\\~ｱ"},
        // A lead byte before a byte that cannot follow it, a byte that starts
        // nothing, a lead byte at the very end.
        {"\x81 x\xFFy\x81", u"\uFFFD x\uFFFDy\uFFFD"},
    };
    for (const auto& [bytes, text] : cases)
        EXPECT_EQ(codec.Decode(bytes), QString::fromUtf16(text));

    QString target = QStringLiteral("a much longer earlier value");
    codec.Decode("JA1", 3, target);
    EXPECT_EQ(target, QStringLiteral("JA1"));
    codec.Decode("", 0, target);
    EXPECT_TRUE(target.isEmpty());
}

TEST(CodePage932, EncodesJapaneseAndUnknownCharactersAsOneQuestionMark)
{
    CodePage932 codec;
    const QString text = QString::fromUtf16(u"JA1 東京都① 髙橋～－ ｶﾀｶﾅ");
    EXPECT_EQ(codec.Encode(text).first(8), QByteArray("JA1 \x93\x8C\x8B\x9E"));
    EXPECT_EQ(codec.Decode(codec.Encode(text)), text);
    EXPECT_EQ(codec.Encode(QString::fromUtf16(u"a\u00E9b\U0001F600!")), QByteArray("a?b?!"));
}
