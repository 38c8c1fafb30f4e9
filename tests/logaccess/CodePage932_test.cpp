#include "CodePage932.h"

#include <gtest/gtest.h>

TEST(CodePage932, DecodesTheCharactersWindowsAndJisDisagreeOn)
{
    CodePage932 codec;
    // ① (NEC row 13), 髙 (IBM extension), ～ and － map to their full-width forms.
    EXPECT_EQ(codec.Decode(QByteArray("\x87\x40\xFB\xFC\x81\x60\x81\x7C")),
              QString::fromUtf16(u"①髙～－"));
    // Backslash and tilde stay ASCII, unlike in plain Shift_JIS.
    EXPECT_EQ(codec.Decode(QByteArray("\\~")), QStringLiteral("\\~"));
    EXPECT_EQ(codec.Decode(QByteArray("\xB1\xB2")), QString::fromUtf16(u"ｱｲ"));
}

TEST(CodePage932, RoundTripsJapaneseAndMixedText)
{
    CodePage932 codec;
    const QString text = QString::fromUtf16(u"JA1ABC 東京都① 髙橋～－ ｶﾀｶﾅ");
    const QByteArray bytes = codec.Encode(text);
    EXPECT_EQ(bytes.sliced(0, 7), QByteArray("JA1ABC "));
    EXPECT_EQ(bytes.sliced(7, 8), QByteArray("\x93\x8C\x8B\x9E\x93\x73\x87\x40"));
    EXPECT_EQ(codec.Decode(bytes), text);
}

TEST(CodePage932, InvalidBytesBecomeReplacementCharacters)
{
    CodePage932 codec;
    // A lone lead byte at the end, a lead byte before a byte that cannot follow it,
    // and a byte that starts no character.
    EXPECT_EQ(codec.Decode(QByteArray("A\x81")), QString::fromUtf16(u"A\uFFFD"));
    EXPECT_EQ(codec.Decode(QByteArray("\x81\x20Z", 3)), QString::fromUtf16(u"\uFFFD Z"));
    const QString decoded = codec.Decode(QByteArray("x\xFFy"));
    EXPECT_EQ(decoded, QString::fromUtf16(u"x\uFFFDy"));
}

TEST(CodePage932, CharactersOutsideTheCodePageEncodeAsQuestionMarks)
{
    CodePage932 codec;
    EXPECT_EQ(codec.Encode(QString::fromUtf16(u"a\u00E9b")), QByteArray("a?b"));
    EXPECT_EQ(codec.Encode(QString::fromUtf16(u"\U0001F600!")), QByteArray("?!"));
    EXPECT_EQ(codec.Encode(QString::fromUtf16(u"\uFFFD")), QByteArray("?"));
}

TEST(CodePage932, DecodeReusesTheTargetWithoutKeepingOldText)
{
    CodePage932 codec;
    QString target = QStringLiteral("a much longer earlier value");
    codec.Decode("JA1", 3, target);
    EXPECT_EQ(target, QStringLiteral("JA1"));
    codec.Decode("\x93\x8C", 2, target);
    EXPECT_EQ(target, QString::fromUtf16(u"東"));
    codec.Decode("", 0, target);
    EXPECT_TRUE(target.isEmpty());
}
