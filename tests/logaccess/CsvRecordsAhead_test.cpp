#include "CsvRecordsAhead.h"
#include "CsvTokenizer.h"
#include "TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <optional>
#include <random>
#include <unistd.h>

// Records tokenized ahead, in chunks and on a thread, must be the records the
// tokenizer gives over the whole text at once, whatever the chunk size.

namespace {

template <typename Item> QByteArray Describe(const Item& item)
{
    return QByteArray(item.data, static_cast<qsizetype>(item.size)).toHex() + ' ' +
           char('0' + item.hasNul) + char('0' + item.textBeyond) + char('0' + item.nulBeyond);
}

template <typename Items> QByteArray DescribeRecord(const Items& items)
{
    QByteArray all;
    for (int column = 0; column < CsvTokenizer::ColumnCount; ++column)
        all += '|' + Describe(items(column));
    return all;
}

struct Reading {
    std::vector<QByteArray> records;
    QByteArray end; // the last step, with the error if any
};

// The tokenizer over the whole text in one piece, the plain way.
Reading WholeText(const QByteArray& text)
{
    CsvTokenizer tokenizer;
    tokenizer.SetFastLines(false);
    Reading reading;
    const char* pos = text.constData();
    for (;;) {
        const CsvTokenizer::Step step = tokenizer.Next(pos, text.constEnd(), true, true);
        if (step != CsvTokenizer::Step::Record) {
            reading.end = QByteArray::number(static_cast<int>(step)) + ' ' +
                          QByteArray::number(tokenizer.ErrorLine()) + ' ' +
                          tokenizer.ErrorText().toUtf8();
            return reading;
        }
        reading.records.push_back(
            DescribeRecord([&](int column) { return tokenizer.ItemAt(column); }));
    }
}

// Many short lines, so that a chunk fills with records before its text ends,
// mixed with lines the tokenizer takes byte by byte: doubled quotes, line
// breaks in quotes, zero bytes, long items, lone CRs (after a closing quote
// too), double-byte text, text after a closing quote, a blank line that is no
// record; and plain lines of more items than are kept, or with commas in quotes.
QByteArray ManyLines(unsigned seed, bool malformedEnd)
{
    static const QByteArray Odd[] = {"\"say \"\"hi\"\"\",b\r\n",
                                     "\"two\nlines\",x\n",
                                     QByteArray("a\0b,c\n", 6),
                                     "a,b,c,d," + QByteArray(300, 'L') + ",z\n",
                                     "cr\ralone,1\r\n",
                                     "\x83\x4a\x83\x69,\"\x93\xfa\x96\x7b\"\n",
                                     "   \n",
                                     "\"a,b\",c,\"\x93\xfa\"\r\n",
                                     "\"x\"\x82\xa0,y\n",
                                     "p,q\"r\",s\r\n",
                                     "\"q\"\r,z\r\n"};
    std::mt19937 engine(seed);
    const auto pick = [&](unsigned n) {
        return std::uniform_int_distribution<unsigned>(0, n - 1)(engine);
    };
    QByteArray text;
    for (int i = 0; i < 9000; ++i) {
        const unsigned kind = pick(20);
        if (kind < std::size(Odd)) {
            text += Odd[kind];
        } else if (kind == std::size(Odd)) {
            for (int item = 0; item < 20; ++item)
                text += QByteArray::number(pick(1000)) + (item < 19 ? "," : "\n");
        } else {
            text += QByteArray::number(i) + ",\"" + QByteArray::number(pick(100)) + "\"\n";
        }
    }
    text += malformedEnd ? "last,\"open\n" : "last,line";
    return text;
}

class CsvRecordsAheadTest : public ::testing::Test {
protected:
    int Open(const QByteArray& text)
    {
        const QString path = dir_.filePath(QStringLiteral("export.csv"));
        fd_ = WriteAll(path, text) ? ::open(QFile::encodeName(path).constData(), O_RDONLY) : -1;
        return fd_;
    }
    void TearDown() override
    {
        if (fd_ >= 0)
            ::close(fd_);
    }

    QTemporaryDir dir_;
    int fd_ = -1;
};

TEST_F(CsvRecordsAheadTest, GivesTheTokenizersRecordsWhateverTheChunks)
{
    for (const bool malformedEnd : {false, true}) {
        const QByteArray text = ManyLines(malformedEnd ? 2 : 1, malformedEnd);
        const Reading whole = WholeText(text);
        const int fd = Open(text);
        ASSERT_GE(fd, 0);
        for (const std::size_t chunkSize :
             {std::size_t{64}, std::size_t{1000}, std::size_t{1} << 20}) {
            // Only well-formed text is known to be so.
            for (const bool checked : {false, !malformedEnd}) {
                for (const bool ownThread : {true, false}) {
                    SCOPED_TRACE(testing::Message()
                                 << "chunk " << chunkSize << ", thread " << ownThread
                                 << ", malformed " << malformedEnd << ", checked " << checked);
                    CsvRecordsAhead ahead(chunkSize, ownThread);
                    const auto start = [&] {
                        ahead.Start(fd, static_cast<off_t>(text.size()), true, true, 0, checked);
                    };
                    start();
                    std::mt19937 keeps(static_cast<unsigned>(chunkSize));
                    std::size_t n = 0;
                    std::optional<std::size_t> last, earlier; // the records kept
                    const auto lastItems = [&](int column) { return ahead.ItemAt(column); };
                    const auto earlierItems = [&](int column) {
                        return ahead.EarlierItemAt(column);
                    };
                    CsvTokenizer::Step step;
                    for (;;) {
                        const bool keep = keeps() % 3 != 0;
                        step = ahead.Next(keep);
                        if (step != CsvTokenizer::Step::Record)
                            break;
                        ASSERT_LT(n, whole.records.size());
                        if (keep) {
                            earlier = last;
                            last = n;
                        }
                        // Those kept stay readable while later ones, and chunks, go by.
                        if (last) {
                            ASSERT_EQ(DescribeRecord(lastItems), whole.records[*last]) << n;
                        }
                        if (earlier) {
                            ASSERT_EQ(DescribeRecord(earlierItems), whole.records[*earlier]) << n;
                        }
                        ++n;
                    }
                    EXPECT_EQ(n, whole.records.size());
                    const QByteArray end = QByteArray::number(static_cast<int>(step)) + ' ' +
                                           QByteArray::number(ahead.ErrorLine()) + ' ' +
                                           ahead.ErrorText().toUtf8();
                    EXPECT_EQ(end, whole.end);
                    // Also over a new start, until a record is kept again.
                    start();
                    ASSERT_TRUE(last);
                    EXPECT_EQ(DescribeRecord(lastItems), whole.records[*last]);
                    ASSERT_EQ(ahead.Next(true), CsvTokenizer::Step::Record);
                    EXPECT_EQ(DescribeRecord(lastItems), whole.records.front());
                }
            }
        }
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace
