#include "CsvQuickCheck.h"
#include "Tokenizes.h"

#include <QByteArray>

#include <gtest/gtest.h>

#include <vector>

// The quick check may be unsure of well-formed text, but it must never call
// text certain that the tokenizer finds malformed; and it must be certain of
// the exports it is there for, or it saves nothing.

namespace {

bool TokenizesToEnd(const QByteArray& text)
{
    return ::TokenizesToEnd(text.constData(), static_cast<std::size_t>(text.size()));
}

bool QuicklyClean(const QByteArray& text, qsizetype piece)
{
    CsvQuickCheck check;
    for (qsizetype at = 0; at < text.size(); at += piece)
        check.Add(text.constData() + at, static_cast<std::size_t>(std::min(piece, text.size() - at)));
    return check.Clean();
}

// Exports as programs write them: every item quoted, or bare, or mixed; quotes
// doubled inside items; kanji, kana and half-width kana; CR LF or LF; a line
// break inside a quoted item; lines long enough to cross 64-byte blocks with a
// double-byte character or a doubled quote on the border.
std::vector<QByteArray> WellFormed()
{
    const QByteArray kanji = "\x8e\x52\x93\x63\x91\xbe\x98\x59";   // 山田太郎
    const QByteArray kana = "\xb6\xc5";                            // half-width カナ
    const QByteArray table = "\x95\x5c";                           // 表: trail byte 0x5C
    const QByteArray divide = "\x81\x80";                          // ÷: trail byte 0x80, no lead
    std::vector<QByteArray> texts{
        "\"JA1ABC/1\",\"20/01/01\",\"12:00J\",\"59\",\"59\",\"7.050\",\"SSB\",\"1001\",\"\","
        "\"J J\",\"" + kanji + divide + "\",\"\",\"\",\"\",\"1\"\r\n"
        "\"JH1XYZ/3\",\"2020/01/02\",\"23:59U\",\"599\",\"599\",\"430.00\",\"CW\",\"" + table +
            "\",\"\",\"JNN\",\"" + kana + "\",\"say \"\"hi\"\"\",\"\",\"\",\"0\"\r\n",
        "JA1ABC/1,20/01/01,12:00J,59,59,7.050,SSB,1001,,J J," + kanji + ",,,,1\n"
        "7M7BFV,72/01/08,01:53J,599,599,430.00,CW,9632,,JNN,,,,,1",
        "1,\"JA1ABC/1\",\"20/01/01\",\"12:00J\",59,59,\"7.050\",SSB,,,,\"two\nlines\",,,,1\n",
        "\"\",\"\"\"\",\"a,b\",\"" + kanji + kanji + kanji + kanji + kanji + kanji + "\",x\r\n",
    };
    // The same lines shifted byte by byte over the block borders.
    const QByteArray base = texts[0] + texts[1] + '\n' + texts[3];
    for (int shift = 1; shift < 70; shift += 3)
        texts.push_back(QByteArray(shift, ' ') + "\n" + base);
    return texts;
}

TEST(CsvQuickCheck, IsCertainOfWellFormedExportsInAnyPieces)
{
    for (const QByteArray& text : WellFormed()) {
        SCOPED_TRACE(text.toStdString());
        ASSERT_TRUE(TokenizesToEnd(text)); // the cases themselves are sound
        for (qsizetype piece : {1, 3, 63, 64, 65, 4096})
            EXPECT_TRUE(QuicklyClean(text, piece)) << "in pieces of " << piece;
    }
}

// Well-formed too, but with quotes the tokenizer reads as text: inside a bare
// item, or after a quoted item's closing quote.
std::vector<QByteArray> OddlyQuoted()
{
    return {"a\"b,e\n", "\"ab\"cd,\"x\"\r\n", "\"ab\"\r,x\"y\n\"z\"", "x,\"\"\"a\"b\"\n"};
}

TEST(CsvQuickCheck, NeverCertainOfTextTheTokenizerRefuses)
{
    // Every byte that matters to quoting or to code page 932, put in at every
    // place of every text: many of the results are malformed.
    std::vector<QByteArray> texts = WellFormed();
    for (const QByteArray& text : OddlyQuoted()) {
        ASSERT_TRUE(TokenizesToEnd(text));
        texts.push_back(text);
        for (int shift = 56; shift < 66; ++shift) // the odd quote on a block border
            texts.push_back(QByteArray(shift, ' ') + '\n' + text);
    }
    const char inserts[] = {'"', ',', '\n', '\r', '\x81', '\x80', '\xa0', '\xfd', '\0', 'x'};
    int refused = 0, certain = 0;
    for (const QByteArray& text : texts) {
        for (qsizetype at = 0; at <= text.size(); ++at) {
            for (char byte : inserts) {
                QByteArray damaged = text;
                damaged.insert(at, byte);
                const bool sound = TokenizesToEnd(damaged);
                refused += !sound;
                for (qsizetype piece : {64, 7}) {
                    const bool clean = QuicklyClean(damaged, piece);
                    certain += clean;
                    if (clean && !sound)
                        FAIL() << "certain of malformed text: " << damaged.toStdString();
                }
            }
        }
    }
    // Both answers occur, or the comparison proves nothing.
    EXPECT_GT(refused, 1000);
    EXPECT_GT(certain, 1000);
}

TEST(CsvQuickCheck, EndsMatter)
{
    EXPECT_TRUE(QuicklyClean("", 64));
    EXPECT_FALSE(QuicklyClean("\"open", 64));                 // a quoted item left open
    EXPECT_FALSE(QuicklyClean(QByteArray(64, 'a') + "\x82", 64)); // a lead byte last
    EXPECT_FALSE(QuicklyClean(QByteArray(63, 'a') + "\x82", 64)); // ... at a block's end
    EXPECT_TRUE(QuicklyClean(QByteArray(63, 'a') + "\x82\xa0", 64));
}

} // namespace
