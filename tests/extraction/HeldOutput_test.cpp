#include "HeldOutput.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::Literals::StringLiterals;

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

// 16 bytes in memory, then 8 in a temporary file where one can be had.
TEST(HeldOutput, AtItsLimitsAsksWhetherToLetItGo)
{
    QTemporaryDir dir;
    for (const bool spills : {true, false}) {
        for (const bool wellFormed : {true, false}) {
            SCOPED_TRACE(spills ? "spilling" : "no temporary file");
            QByteArray bytes;
            QBuffer out(&bytes);
            out.open(QIODevice::WriteOnly);
            HeldOutput held(out, 16, 8, spills ? dir.path() : dir.filePath(u"missing"_s));
            int asked = 0;
            held.Hold([&] { return ++asked, wellFormed; });
            Write(held, "0123456789abcdef"); // the memory's limit, held
            Write(held, "ghij", 4);
            EXPECT_EQ(asked, spills ? 0 : 1);
            Write(held, "klmn", 4);
            Write(held, "opqr", 4);
            EXPECT_EQ(asked, 1) << "asked once, at the last limit";
            Write(held, "stuv", 4); // on from there, not asked again
            EXPECT_EQ(asked, 1);
            EXPECT_EQ(bytes, wellFormed ? QByteArray("0123456789abcdefghijklmnopqrstuv")
                                        : QByteArray());
            ASSERT_TRUE(held.Release());
            Write(held, "end");
            EXPECT_EQ(bytes, wellFormed ? QByteArray("0123456789abcdefghijklmnopqrstuvend")
                                        : QByteArray("end"));
        }
    }
    EXPECT_TRUE(QDir(dir.path()).isEmpty()) << "no file left behind";
}

TEST(HeldOutput, WhatWentIntoTheTemporaryFileIsReleasedOrDroppedWithTheRest)
{
    QTemporaryDir dir;
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    HeldOutput held(out, 16, 256, dir.path());
    int asked = 0;
    held.Hold([&] { return ++asked, true; });
    // 14 bytes in memory, the rest in the file, more than the memory holds.
    const QByteArray rows = QByteArray("row 1\nrow 2\nrow 3\n").repeated(8);
    Write(held, rows, 7);
    Write(held, "!", 1); // would fit in memory, but comes after the rest
    EXPECT_TRUE(bytes.isEmpty());
    ASSERT_TRUE(held.Release());
    EXPECT_EQ(bytes, rows + "!");
    EXPECT_EQ(asked, 0);

    held.Hold([] { return true; });
    Write(held, rows, 7);
    held.Drop();
    Write(held, "header again\n");
    held.Hold([] { return true; });
    Write(held, "row 1\n");
    ASSERT_TRUE(held.Release());
    EXPECT_EQ(bytes, rows + "!header again\nrow 1\n") << "nothing dropped comes back";
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
