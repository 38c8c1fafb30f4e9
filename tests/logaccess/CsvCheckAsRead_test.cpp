#include "CsvRecordSource.h"

#include "TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <limits>
#include <vector>

// A large file is checked as its records are read, not when it is opened. The
// reader must learn exactly what the check at opening tells, whenever it asks:
// the same message for malformed text, the same records for sound text.

namespace {

// How a file fared: whether it opened, the records read before the reading
// stopped, and the verdict on its text (empty: well-formed).
struct Verdict {
    bool opened = false;
    int records = 0;
    QString error;
    bool operator==(const Verdict&) const = default;
};

// Checked when opened, as a small file is.
Verdict AtOpening(const QString& path, std::size_t chunk)
{
    CsvRecordSource source(chunk);
    source.SetCheckAsReadFrom(std::numeric_limits<off_t>::max());
    Verdict verdict;
    verdict.opened = source.HamlogOpen(path) == 0;
    verdict.error = source.OpenError();
    while (verdict.opened && source.THW_read(verdict.records + 1) == 0)
        ++verdict.records;
    return verdict;
}

// Checked as read: `before` records are read, the rest of the check is asked
// for, and the reading goes on to the end, or to the fault.
Verdict AsRead(const QString& path, std::size_t chunk, bool thread, int before)
{
    CsvRecordSource source(chunk, thread);
    source.SetCheckAsReadFrom(0);
    Verdict verdict;
    verdict.opened = source.HamlogOpen(path) == 0;
    if (!verdict.opened) {
        verdict.error = source.OpenError();
        return verdict;
    }
    while (verdict.records < before && source.THW_read(verdict.records + 1) == 0)
        ++verdict.records;
    const bool wellFormed = source.FinishCheck();
    EXPECT_EQ(wellFormed, source.OpenError().isEmpty());
    EXPECT_FALSE(source.CheckPending());
    while (source.THW_read(verdict.records + 1) == 0)
        ++verdict.records;
    EXPECT_EQ(source.FinishCheck(), wellFormed) << "the verdict changed";
    verdict.error = source.OpenError();
    return verdict;
}

// Exports with quoted and bare items, kanji, a header line, items over
// several lines and enough lines to fill small chunks many times.
std::vector<QByteArray> Exports()
{
    const QByteArray kanji = "\x8e\x52\x93\x63"; // 山田
    QByteArray lines = "Call,Date,Time,His,My,Freq,Mode,Code,GL,QSL,Name,QTH,Rmks1,Rmks2,Flag\r\n";
    for (int i = 0; i < 40; ++i) {
        lines += "\"JA1A" + QByteArray::number(i) + "/2\",\"24/01/01\",\"12:00J\",\"59\",\"59\","
                 "\"7.05\",\"CW\",\"1001\",\"\",\"J\",\"" + kanji + "\",\"\",\"\",\"\",\"0\"\r\n";
        if (i % 9 == 4)
            lines += "JA2B/3,24/01/02,13:00J,59,59,14,SSB,,,,\"two\r\nlines\",,,,0\r\n";
    }
    return {lines, lines + "JA9Z/1,24/01/03,01:00U,59,59,50,FM,,,,,,,,0"};
}

TEST(CsvCheckAsRead, TellsWhatTheCheckAtOpeningTells)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("export.csv"));
    std::vector<QByteArray> texts = Exports();
    // Damage: bytes that break quoting or code page 932 at places spread over
    // the text, early, late, on chunk borders and in the last line.
    const QByteArray whole = texts.front();
    const char inserts[] = {'"', '\x81', '\xfd', '\0', '\r'};
    for (qsizetype at = 0; at < whole.size(); at += 131) {
        for (char byte : inserts)
            texts.push_back(QByteArray(whole).insert(at, byte));
    }
    // Right after a double-byte character, which the byte after it must not
    // hide: in every line, and in the last kanji line alone.
    for (const char* after : {"\xfd", "\x80", "\x81,"}) {
        texts.push_back(QByteArray(whole).replace("\x8e\x52", QByteArray("\x8e\x52") + after));
        texts.push_back(QByteArray(whole).insert(whole.lastIndexOf("\x8e\x52") + 2, after));
    }
    texts.push_back(whole + "\"open,x\r\n");
    texts.push_back(whole.left(whole.size() - 1) + "\x82");

    int refused = 0;
    for (const QByteArray& text : texts) {
        ASSERT_TRUE(WriteAll(path, text));
        const Verdict expected = AtOpening(path, 256 * 1024);
        refused += !expected.error.isEmpty();
        for (std::size_t chunk : {std::size_t{64}, std::size_t{1000}, std::size_t{256 * 1024}}) {
            for (bool thread : {false, true}) {
                for (int before : {0, 3, 1000}) {
                    SCOPED_TRACE(testing::Message() << "chunk " << chunk << ", thread " << thread
                                                    << ", check asked after " << before);
                    const Verdict verdict = AsRead(path, chunk, thread, before);
                    if (expected.error.isEmpty()) {
                        EXPECT_EQ(verdict, expected) << text.toStdString();
                    } else {
                        // Refused at opening, or at the fault: with the same message.
                        EXPECT_EQ(verdict.error, expected.error) << text.toStdString();
                    }
                }
            }
        }
    }
    EXPECT_GT(refused, 20); // or the comparison proves little
}

// Text from where the check is finished is checked whole, the way it is at
// opening: in two halves once it is large.
TEST(CsvCheckAsRead, FinishesLargeFilesInHalves)
{
    QByteArray lines;
    for (int i = 0; lines.size() < 5 * 1024 * 1024; ++i)
        lines += "JA1AA" + QByteArray::number(i % 10) + "/2,24/01/01,12:00J,59,59,7,CW,1001,,JE,,,,,0\n";
    const int count = static_cast<int>(lines.count('\n'));
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("export.csv"));
    for (const auto& [text, line] : {std::pair{lines + "\"open,x\n" + lines, count + 1},
                                     std::pair{lines + lines + "a,\x81 b\n", 2 * count + 1},
                                     std::pair{lines + lines, 0}}) {
        ASSERT_TRUE(WriteAll(path, text));
        CsvRecordSource source;
        ASSERT_EQ(source.HamlogOpen(path), 0);
        EXPECT_TRUE(source.CheckPending()); // large: left to the reading
        ASSERT_EQ(source.THW_read(10), 0);
        EXPECT_EQ(source.FinishCheck(), line == 0);
        if (line != 0) {
            EXPECT_TRUE(source.OpenError().startsWith(QStringLiteral("line %1: ").arg(line)))
                << qPrintable(source.OpenError());
        }
    }
}

} // namespace
