#include "CsvRecordSource.h"
#include "CsvTokenizer.h"

#include "CsvFixtureWriter.h"
#include "CsvReads.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <random>

using namespace Qt::StringLiterals;

// Plain lines take a quick way through the tokenizer. These tests run it with
// and without that way over generated exports, clean and damaged, and require
// the same steps, items and errors, through buffers of many sizes.

namespace {

class CsvTextGenerator {
public:
    explicit CsvTextGenerator(unsigned seed) : engine_(seed) {}

    // Exports as CsvFixtureWriter writes them, from contacts whose texts hold
    // what the tokenizer must tell apart, mixed with scrambled lines, blank
    // lines and odd line ends. Some texts are malformed: bytes that are no code
    // page 932 text, a lead byte at the very end, damage anywhere. Malformed
    // text ends the steps, so most texts hold none.
    QByteArray Next()
    {
        malformed_ = Pick(4) == 0;
        const CsvFixtureWriter writer({.Quoted = Pick(3) != 0, .CrLf = false,
                                       .QuoteSpaces = Pick(2) == 0, .QslAsStored = Pick(2) == 0,
                                       .TrailingComma = Pick(8) == 0,
                                       .RecordNumbers = Pick(4) == 0});
        QByteArray text = Pick(8) == 0 ? writer.HeaderLine() : QByteArray();
        for (unsigned lines = Pick(10); lines > 0; --lines) {
            const unsigned kind = Pick(12);
            QByteArray line = kind == 0   ? QByteArray(Pick(4), ' ') // blank
                              : kind < 4 ? Scrambled()
                                          : writer.Line(Contact(), lines).chopped(1);
            static const char* const Ends[] = {"\r\n", "\r\n", "\n", "\r", "\r\r\n"};
            text += line + Ends[Pick(std::size(Ends))];
        }
        if (malformed_ && Pick(2) == 0)
            Damage(text);
        if (Pick(5) == 0) // no final line end, or text cut inside a line
            text.chop(std::min<qsizetype>(text.size(), Pick(4)));
        if (malformed_ && Pick(4) == 0)
            text += '\x82';
        return text;
    }

    unsigned Pick(unsigned n) { return std::uniform_int_distribution<unsigned>(0, n - 1)(engine_); }

private:
    // Texts of characters (some with a trail byte that is a letter or a
    // backslash) and half-width kana; in a third of the contacts also quotes,
    // commas, line breaks and zero bytes, which the writer quotes; items near
    // and past what an item keeps.
    HdbContact Contact()
    {
        static const QString Pieces[] = {
            u"JA1ABC/2"_s, u"24/01/01"_s, u" "_s, u"  "_s, u"7.050"_s, u"あ"_s, u"ア"_s, u"表"_s,
            u"\u3000"_s,  u"ﾟ"_s,        u"ｱ"_s, u"亜山"_s, u"\r"_s,    u"\""_s, u"\"\""_s,
            u","_s,        u"\r\n"_s,    u"\n"_s, QString(QChar(0))};
        const unsigned pieces = Pick(3) == 0 ? std::size(Pieces) : 12;
        const auto text = [&] {
            QString value;
            for (unsigned n = Pick(4); n > 0; --n)
                value += Pick(12) == 0 ? QString(250 + Pick(12), Pick(2) ? u'A' : u' ')
                                       : Pieces[Pick(pieces)];
            return value;
        };
        HdbContact c{.Call = text(), .His = text(), .My = text(), .Freq = text(), .Mode = text(),
                     .Code = text(), .Gl = text(), .Name = text(), .Qth = text(),
                     .Rmk1 = text(), .Rmk2 = text()};
        // QSL marks are written as their bytes: here the malformed ones go.
        static const char* const Marks[] = {"J", "J *", "\x82\xA0", "\xB1",  "\x80",
                                            "\xFD", "\x85\x40", "\x82,", "\x82\""};
        c.Qsl = Marks[Pick(malformed_ ? std::size(Marks) : 4)];
        return c;
    }

    // Many items, quoted or bare, one or two of them perhaps with quotes that
    // make the line not plain: quotes and commas stand in every way, also
    // across the 64-byte blocks the quick way looks at.
    QByteArray Scrambled()
    {
        static const char* const Inside[] = {"a", " ", ",", "\x82\xA0"};
        const unsigned odd[] = {Pick(4), Pick(8)}, oddity[] = {Pick(8), Pick(8)};
        QByteArray line;
        qsizetype quote = -1; // the first or last quote of the first odd item
        for (unsigned items = 1 + Pick(40), i = 0; i < items; ++i) {
            QByteArray item;
            for (unsigned length = Pick(Pick(4) == 0 ? 40 : 5); length > 0; --length)
                item += Inside[Pick(std::size(Inside))];
            const bool quoted = Pick(2) == 0;
            if (!quoted)
                item.replace(',', 'a');
            const auto at = [&] { return Pick(static_cast<unsigned>(item.size()) + 1); };
            for (int k = 0; k < 2; ++k) {
                if (i != odd[k])
                    continue;
                if (oddity[k] == 0)
                    item.insert(at(), '"');
                else if (oddity[k] == 1)
                    item.insert(at(), "\"\"");
                else if (oddity[k] == 2 && !quoted)
                    item.insert(at(), "\"a,a\""); // a comma between quotes in a bare item
            }
            if (quoted)
                item = '"' + item + '"';
            for (int k = 0; k < 2; ++k) {
                if (i == odd[k] && oddity[k] == 3)
                    item += quoted ? "a" : "\""; // text after the closing quote, or a quote last
                else if (i == odd[k] && oddity[k] == 4 && quoted)
                    item.prepend('a');
            }
            line += (i > 0 ? "," : "") + item;
            if (i == odd[0] && item.contains('"'))
                quote = line.size() - item.size() +
                        (Pick(2) ? item.indexOf('"') : item.lastIndexOf('"'));
        }
        // Often a first item that brings that quote to the first block's end.
        const qsizetype pad = 61 - quote + Pick(4);
        return quote >= 0 && pad > 0 && Pick(2) ? QByteArray(pad, 'a') + ',' + line : line;
    }

    void Damage(QByteArray& text)
    {
        static const char Bytes[] = {'"', ',',    '\r',   '\n',   '\0',
                                     ' ', '\x80', '\x81', '\x82', '\xFF'};
        for (unsigned n = 1 + Pick(3); n > 0 && !text.isEmpty(); --n)
            text[Pick(static_cast<unsigned>(text.size()))] = Bytes[Pick(std::size(Bytes))];
    }

    std::mt19937 engine_;
    bool malformed_ = false;
};

// Everything the tokenizer tells over `text`, read through a buffer of
// `bufferSize` bytes as CsvRecordSource reads it: each step, the items of the
// last record kept (which must outlive refills), and any error.
std::vector<QByteArray> Steps(const QByteArray& text, std::size_t bufferSize, bool fast,
                              unsigned seed)
{
    CsvTokenizer tokenizer;
    tokenizer.SetFastLines(fast);
    std::mt19937 keeps(seed); // which records are kept
    std::vector<char> buffer(bufferSize);
    std::size_t begin = 0, end = 0;
    qsizetype read = 0;
    std::vector<QByteArray> steps;
    bool keep = keeps() & 1;
    for (;;) {
        const char* pos = buffer.data() + begin;
        const CsvTokenizer::Step step =
            tokenizer.Next(pos, buffer.data() + end, read == text.size(), keep);
        begin = static_cast<std::size_t>(pos - buffer.data());
        if (step == CsvTokenizer::Step::NeedMore) {
            tokenizer.HoldItems();
            std::memmove(buffer.data(), buffer.data() + begin, end - begin);
            end -= begin;
            begin = 0;
            // What was there must not show through held items.
            std::fill(buffer.begin() + static_cast<std::ptrdiff_t>(end), buffer.end(), '#');
            const auto size =
                std::min(static_cast<qsizetype>(bufferSize - end), text.size() - read);
            if (size == 0) {
                ADD_FAILURE() << "no progress";
                return steps;
            }
            std::memcpy(buffer.data() + end, text.constData() + read,
                        static_cast<std::size_t>(size));
            end += static_cast<std::size_t>(size);
            read += size;
            continue;
        }
        QByteArray line = QByteArray::number(static_cast<int>(step)) + ' ' +
                          QByteArray::number(read - static_cast<qsizetype>(end - begin)) + ' ' +
                          QByteArray::number(keep);
        if (step == CsvTokenizer::Step::Error)
            line += ' ' + QByteArray::number(tokenizer.ErrorLine()) + ' ' +
                    tokenizer.ErrorText().toUtf8();
        for (int column = 0; column < CsvTokenizer::ColumnCount; ++column) {
            const CsvTokenizer::Item& item = tokenizer.ItemAt(column);
            line += '|' + QByteArray(item.data, static_cast<qsizetype>(item.size)).toHex() + ' ' +
                    char('0' + item.hasNul) + char('0' + item.textBeyond) +
                    char('0' + item.nulBeyond);
        }
        steps.push_back(line);
        if (step != CsvTokenizer::Step::Record)
            return steps;
        keep = keeps() & 1;
    }
}

template <typename Result>
void ExpectSame(const Result& slow, const Result& fast, const QByteArray& text)
{
    ASSERT_EQ(slow.size(), fast.size()) << text.toHex().constData();
    for (std::size_t i = 0; i < slow.size(); ++i)
        ASSERT_EQ(slow[i], fast[i]) << "at " << i << " in " << text.toHex().constData();
}

} // namespace

TEST(CsvTokenizer, QuickLinesGiveWhatTheByteByByteWayGives)
{
    CsvTextGenerator texts(20260107);
    int records = 0;
    for (unsigned i = 0; i < 2000; ++i) {
        const QByteArray text = texts.Next();
        for (std::size_t bufferSize : {2, 3, 17, 64, 100, 1000, 1 << 16}) {
            const std::vector<QByteArray> slow = Steps(text, bufferSize, false, i);
            ExpectSame(slow, Steps(text, bufferSize, true, i), text);
            if (HasFatalFailure())
                return;
            records += static_cast<int>(slow.size()) - 1;
        }
    }
    EXPECT_GT(records, 0) << "the texts hold records";
}

TEST(CsvTokenizer, RecordSourceReadsTheSameEitherWay)
{
    CsvTextGenerator texts(7);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("export.csv"));
    for (unsigned i = 0; i < 150; ++i) {
        const QByteArray text = texts.Next();
        for (std::size_t bufferSize : {2, 7, 61, 128, 300, 1 << 20}) {
            ExpectSame(CsvReads(path, text, bufferSize, false),
                       CsvReads(path, text, bufferSize, true), text);
            if (HasFatalFailure())
                return;
        }
    }
}
