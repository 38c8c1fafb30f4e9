#include "CsvRecordSource.h"
#include "CsvTokenizer.h"

#include "TestFiles.h"

#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <random>

// Plain lines take a quick way through the tokenizer. These tests run it with
// and without that way over generated exports, clean and damaged, and require
// the same steps, items and errors, through buffers of many sizes.

namespace {

class CsvTextGenerator {
public:
    explicit CsvTextGenerator(unsigned seed) : engine_(seed) {}

    // Some texts are malformed: bytes that are no code page 932 text, a lead
    // byte at the very end, damage anywhere. Malformed text ends the steps,
    // so most texts hold none.
    QByteArray Next()
    {
        malformed_ = Pick(4) == 0;
        QByteArray text;
        for (unsigned lines = Pick(10); lines > 0; --lines)
            text += Line();
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
    QByteArray Line()
    {
        static const char* const Ends[] = {"\r\n", "\r\n", "\n", "\r", "\r\r\n"};
        const QByteArray end = Ends[Pick(std::size(Ends))];
        switch (Pick(12)) {
        case 0:
            return end; // blank
        case 1:
            return QByteArray(1 + Pick(3), ' ') + end;
        case 2:
        case 3:
        case 4:
            return Scrambled() + end;
        default:
            break;
        }
        wild_ = Pick(3) == 0; // else a line as exports have them
        QByteArray line;
        for (unsigned items = 1 + Pick(20), i = 0; i < items; ++i)
            line += (i > 0 ? "," : "") + Item();
        return line + (Pick(8) == 0 ? "," : "") + end;
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

    QByteArray Item()
    {
        const bool wild = wild_ && Pick(3) == 0;
        QByteArray text;
        for (unsigned pieces = Pick(4); pieces > 0; --pieces)
            text += Piece(wild);
        if (!wild)
            return Pick(3) == 0 ? text : '"' + text + '"';
        switch (Pick(5)) {
        case 0:
            return text;
        case 1: // a quote inside a bare item
            return text + '"' + Piece(wild);
        case 2: // quotes, commas and line breaks inside quotes
            return "\"a\"\"b," + text + (Pick(2) ? "\r\n" : "\n") + "c\"";
        case 3: // text after the closing quote
            return '"' + text + "\"x" + text;
        default:
            return '"' + text + '"';
        }
    }

    QByteArray Piece(bool wild)
    {
        // Characters (some with a trail byte that is a letter or a backslash)
        // and half-width kana; then what only wild items hold: quotes and lone
        // CRs, and in malformed texts bytes the code page refuses.
        static const char* const Pieces[] = {"JA1ABC/2", "24/01/01", " ",        "  ",
                                             "7.050",    "\x82\xA0", "\x83\x41", "\x95\x5C",
                                             "\x81\x40", "\xDF",     "\xB1",     "\x88\x9F\x8E\x52",
                                             "\r",       "\"",       "\"\"",     "\x80",
                                             "\xFD",     "\x85\x40", "\x82,",    "\x82\""};
        constexpr unsigned Plain = 11, Valid = 14;
        switch (Pick(24)) {
        case 0:
            return wild ? QByteArray(1, '\0') : QByteArray();
        case 1: // near and past what an item keeps
            return QByteArray(static_cast<qsizetype>(250 + Pick(12)), Pick(2) ? 'A' : ' ');
        default:
            return Pieces[Pick(!wild ? Plain : malformed_ ? std::size(Pieces) : Valid)];
        }
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
    bool wild_ = false;
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

// Every field of every record of the export `text`, read in order and then
// some out of order, and what the source still gives after a failed read, also
// one that rescans the file cut short, and after closing.
std::vector<QByteArray> Reads(const QString& path, const QByteArray& text, std::size_t bufferSize,
                              bool fast)
{
    EXPECT_TRUE(WriteAll(path, text));
    CsvRecordSource source(bufferSize);
    source.SetFastLines(fast);
    source.SetQuickCheck(fast);
    std::vector<QByteArray> reads;
    const auto fields = [&](const char* what) {
        QByteArray all = what;
        for (qint16 field = 0; field < RecordSource::FieldCount; ++field) {
            char buffer[RecordSource::FieldBufferSize + 1];
            std::memset(buffer, ' ', sizeof buffer);
            source.ThwString(buffer, field);
            all += '|' + QByteArray(buffer).toHex();
            std::memset(buffer, ' ', sizeof buffer);
            all += '/' + source.FieldText(field, buffer).toByteArray().toHex();
        }
        reads.push_back(all);
    };
    reads.push_back(QByteArray::number(source.HamlogOpen(path)) + source.OpenError().toUtf8());
    qint32 count = 0;
    while (source.THW_read(count + 1) == 0) {
        ++count;
        fields("read");
    }
    fields("past the end");
    for (qint32 n : {count / 2, 1, count}) {
        if (n > 0 && source.THW_read(n) == 0)
            fields("again");
    }
    if (QFile::resize(path, text.size() / 2) && source.THW_read(count) != 0)
        fields("cut short");
    source.HamlogClose();
    fields("closed");
    return reads;
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
            ExpectSame(Reads(path, text, bufferSize, false), Reads(path, text, bufferSize, true),
                       text);
            if (HasFatalFailure())
                return;
        }
    }
}
