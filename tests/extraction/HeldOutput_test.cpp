#include "HeldOutput.h"

#include <QBuffer>

#include <gtest/gtest.h>

namespace {

// Writes `text` in pieces of `piece` bytes.
void Write(QIODevice& device, const QByteArray& text, qsizetype piece = 3)
{
    for (qsizetype at = 0; at < text.size(); at += piece)
        ASSERT_EQ(device.write(text.mid(at, piece)), std::min(piece, text.size() - at));
}

TEST(HeldOutput, HoldsUntilReleasedOrDropped)
{
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    HeldOutput held(out, 16);
    Write(held, "header\n");
    EXPECT_EQ(bytes, "header\n") << "passed on until told to hold";
    int asked = 0;
    held.Hold([&] { return ++asked, true; });
    Write(held, "row 1\nrow 2\n");
    EXPECT_EQ(bytes, "header\n");
    ASSERT_TRUE(held.Release());
    EXPECT_EQ(bytes, "header\nrow 1\nrow 2\n");
    Write(held, "row 3\n");
    EXPECT_EQ(bytes, "header\nrow 1\nrow 2\nrow 3\n");
    EXPECT_EQ(asked, 0) << "released before the limit";

    held.Hold([&] { return ++asked, true; });
    Write(held, "row 4\n");
    held.Drop();
    Write(held, "header again\n");
    EXPECT_EQ(bytes, "header\nrow 1\nrow 2\nrow 3\nheader again\n");
}

TEST(HeldOutput, AtItsLimitAsksWhetherToLetItGo)
{
    for (const bool wellFormed : {true, false}) {
        QByteArray bytes;
        QBuffer out(&bytes);
        out.open(QIODevice::WriteOnly);
        HeldOutput held(out, 16);
        int asked = 0;
        held.Hold([&] { return ++asked, wellFormed; });
        Write(held, "0123456789abcdef"); // the limit, held
        EXPECT_TRUE(bytes.isEmpty());
        Write(held, "ghij", 4);
        EXPECT_EQ(asked, 1);
        Write(held, "klmn", 4); // on from there, not asked again
        EXPECT_EQ(asked, 1);
        EXPECT_EQ(bytes, wellFormed ? QByteArray("0123456789abcdefghijklmn") : QByteArray());
        ASSERT_TRUE(held.Release());
        Write(held, "end");
        EXPECT_EQ(bytes, wellFormed ? QByteArray("0123456789abcdefghijklmnend") : QByteArray("end"));
    }
}

TEST(HeldOutput, AWriteThatFailsFailsAllAfterIt)
{
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::ReadOnly); // refuses every write
    HeldOutput held(out, 16);
    held.Hold([] { return true; });
    EXPECT_EQ(held.write("row\n"), 4) << "held, not yet written";
    EXPECT_FALSE(held.Release());
    out.close();
    out.open(QIODevice::WriteOnly);
    EXPECT_EQ(held.write("more\n"), -1) << "what was lost would go unnoticed";
    EXPECT_TRUE(bytes.isEmpty());
}

} // namespace
