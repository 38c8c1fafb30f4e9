#include "CodePage932.h"
#include "Utf8Recoder.h"

#include <QBuffer>

#include <numeric>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

// Double-byte characters from both lead-byte ranges, half-width katakana
// (single bytes above 0x7F) and ASCII.
const QString Text = u"\"移動地\",\"時刻 \",\"ﾌｧｲﾙ\",\"JA1ABC/2\",\"表\"\r\n"_s;

QByteArray RecodeInPieces(const QByteArray& bytes, const std::vector<qsizetype>& cuts)
{
    QBuffer out;
    out.open(QIODevice::WriteOnly);
    Utf8Recoder recoder(out);
    recoder.open(QIODevice::WriteOnly);
    qsizetype from = 0;
    for (const qsizetype cut : cuts) {
        EXPECT_EQ(recoder.write(bytes.mid(from, cut - from)), cut - from);
        from = cut;
    }
    EXPECT_EQ(recoder.write(bytes.mid(from)), bytes.size() - from);
    recoder.close();
    return out.data();
}

} // namespace

TEST(Utf8Recoder, GivesTheSameTextWhereverTheWritesSplitIt)
{
    const QByteArray bytes = CodePage932().Encode(Text);
    ASSERT_GT(bytes.size(), Text.size()) << "the text needs double-byte characters";
    for (qsizetype cut = 0; cut <= bytes.size(); ++cut)
        EXPECT_EQ(RecodeInPieces(bytes, {cut}), Text.toUtf8()) << "cut at byte " << cut;
    std::vector<qsizetype> everyByte(bytes.size());
    std::iota(everyByte.begin(), everyByte.end(), 0);
    EXPECT_EQ(RecodeInPieces(bytes, everyByte), Text.toUtf8());
}

TEST(Utf8Recoder, ALeadByteLeftAtTheEndIsNotDropped)
{
    const QByteArray cut = CodePage932().Encode(u"AB表"_s).chopped(1);
    EXPECT_EQ(RecodeInPieces(cut, {}), u"AB\uFFFD"_s.toUtf8());
}

TEST(Utf8Recoder, ReportsATargetThatCannotBeWritten)
{
    QBuffer readOnly;
    readOnly.open(QIODevice::ReadOnly);
    Utf8Recoder recoder(readOnly);
    recoder.open(QIODevice::WriteOnly);
    EXPECT_EQ(recoder.write("CALL"), -1);
}
