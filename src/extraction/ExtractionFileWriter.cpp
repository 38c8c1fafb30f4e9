#include "ExtractionFileWriter.h"

#include "CodePage932.h"
#include "DigitPairs.h"
#include "RecordClassification.h"

#include <cstring>
#include <initializer_list>

namespace {

constexpr qsizetype FlushThreshold = 64 * 1024;

// The most bytes a text item can take: two quotes, the prefix, and two bytes a
// character with every byte a doubled quote at worst.
qsizetype ItemBound(QStringView text, qsizetype prefix = 0)
{
    return 2 + prefix + 4 * text.size();
}

// Copies a word and tells whether it holds a quote.
template <typename Word> bool CopyWord(char* to, const char* from)
{
    constexpr auto Ones = static_cast<Word>(0x0101010101010101ULL);
    Word w;
    std::memcpy(&w, from, sizeof w);
    std::memcpy(to, &w, sizeof w);
    w ^= Ones * '"';
    return ((w - Ones) & ~w & (Ones * 0x80)) != 0;
}

} // namespace

ExtractionFileWriter::ExtractionFileWriter(QIODevice& device, CodePage932& codec)
    : device_(device), codec_(codec), pending_(2 * FlushThreshold, Qt::Uninitialized)
{
}

char* ExtractionFileWriter::MakeRoom(qsizetype bytes)
{
    Flush();
    if (bytes > pending_.size())
        pending_.resize(bytes);
    return pending_.data();
}

void ExtractionFileWriter::WriteHeader()
{
    static constexpr QStringView Header[] = {
        u"移動地", u"所属エリア", u"CALL",   u"交信番号", u" 年月日",
        u"時刻 ",  u"バンド ",    u"モード", u"QSL",      u"Code",
    };
    qsizetype bound = 2;
    for (QStringView item : Header)
        bound += ItemBound(item) + 1;
    char* p = Room(bound);
    for (QStringView item : Header) {
        p = Text(p, item);
        *p++ = ',';
    }
    p[-1] = '\r';
    *p++ = '\n';
    used_ = p - pending_.data();
}

void ExtractionFileWriter::WriteRow(const ExtractionRow& row)
{
    qsizetype bound = 24; // the number, nine commas, CR LF
    for (QStringView item : {row.OperatingArea, row.HomeArea, row.Call, row.Date, row.Time,
                             row.Band, row.Mode, row.Qsl, row.Code})
        bound += ItemBound(item, 2);
    char* p = Room(bound);
    p = Text(p, row.OperatingArea);
    *p++ = ',';
    p = Text(p, row.HomeArea);
    *p++ = ',';
    p = Text(p, row.Call);
    *p++ = ',';
    p = Number(p, row.RecordNo);
    *p++ = ',';
    p = Text(p, row.Date, CenturyOf(row.Date));
    for (QStringView item : {row.Time, row.Band, row.Mode, row.Qsl, row.Code}) {
        *p++ = ',';
        p = Text(p, item);
    }
    *p++ = '\r';
    *p++ = '\n';
    used_ = p - pending_.data();
    if (used_ >= FlushThreshold)
        Flush();
}

void ExtractionFileWriter::WriteRow(const ExtractionAsciiRow& row)
{
    // Two bytes a byte at worst (every one a doubled quote), two quotes an item.
    const qsizetype bound =
        24 + 2 * 10 + row.Century.size() +
        2 * (row.OperatingArea.size() + row.HomeArea.size() + row.Call.size() + row.Date.size() +
             row.Time.size() + row.Mode.size() + row.Qsl.size() + row.Code.size()) +
        ItemBound(row.Band);
    char* p = Room(bound);
    p = Bytes(p, QByteArrayView(row.OperatingArea.data(), row.OperatingArea.size()));
    *p++ = ',';
    p = Bytes(p, QByteArrayView(row.HomeArea.data(), row.HomeArea.size()));
    *p++ = ',';
    p = Bytes(p, row.Call);
    *p++ = ',';
    p = Number(p, row.RecordNo);
    *p++ = ',';
    p = Bytes(p, row.Date, row.Century);
    *p++ = ',';
    p = Bytes(p, row.Time);
    *p++ = ',';
    p = Text(p, row.Band);
    *p++ = ',';
    p = Bytes(p, row.Mode);
    *p++ = ',';
    p = Bytes(p, row.Qsl);
    *p++ = ',';
    p = Bytes(p, row.Code);
    *p++ = '\r';
    *p++ = '\n';
    used_ = p - pending_.constData();
    if (used_ >= FlushThreshold)
        Flush();
}

inline char* ExtractionFileWriter::Bytes(char* p, QByteArrayView bytes, QLatin1StringView prefix)
{
    *p++ = '"';
    for (char c : prefix)
        *p++ = c;
    const char* from = bytes.data();
    const qsizetype n = bytes.size();
    // Items are a few bytes long and hardly ever hold a quote: copied in
    // words, overlapping where they must, the quote looked for on the way.
    bool quote = false;
    if (n >= 8) {
        for (qsizetype i = 0; i + 8 < n; i += 8)
            quote |= CopyWord<quint64>(p + i, from + i);
        quote |= CopyWord<quint64>(p + n - 8, from + n - 8);
    } else if (n >= 4) {
        // Both words are copied, whatever the first holds.
        const bool head = CopyWord<quint32>(p, from);
        const bool tail = CopyWord<quint32>(p + n - 4, from + n - 4);
        quote = head || tail;
    } else {
        for (qsizetype i = 0; i < n; ++i) {
            p[i] = from[i];
            quote |= from[i] == '"';
        }
    }
    if (!quote) {
        p += n;
        *p++ = '"';
        return p;
    }
    for (char c : bytes) {
        *p++ = c;
        if (c == '"')
            *p++ = '"';
    }
    *p++ = '"';
    return p;
}

inline char* ExtractionFileWriter::Number(char* p, qint32 value)
{
    // Two digits a step: contact numbers run to seven digits and more.
    if (value < 0)
        *p++ = '-';
    auto rest = static_cast<quint32>(value < 0 ? -static_cast<qint64>(value) : value);
    int n = 1;
    for (quint32 v = rest; v >= 10; v /= 10)
        ++n;
    int i = n; // the digits of `rest`
    for (; rest >= 10; rest /= 100, i -= 2)
        std::memcpy(p + i - 2, &DigitPairs[2 * (rest % 100)], 2);
    if (i == 1)
        p[0] = static_cast<char>('0' + rest);
    return p + n;
}

char* ExtractionFileWriter::Text(char* p, QStringView text, QLatin1StringView prefix)
{
    // Areas, bands and most texts are short ASCII: no converter for them.
    if (text.size() <= 8) {
        char* q = p;
        *q++ = '"';
        for (char c : prefix)
            *q++ = c;
        bool ascii = true;
        for (QChar c : text) {
            const char16_t unit = c.unicode();
            if (unit >= 0x80) {
                ascii = false;
                break;
            }
            *q++ = static_cast<char>(unit);
            if (unit == u'"')
                *q++ = '"';
        }
        if (ascii) {
            *q++ = '"';
            return q;
        }
    }
    *p++ = '"';
    for (char c : prefix)
        *p++ = c;
    char* const start = p;
    char* end = codec_.EncodeTo(text, p);
    // A quote byte is never the second byte of a code page 932 character, so
    // doubling it in the encoded bytes is safe.
    for (char* q = start; q < end; ++q) {
        if (*q == '"') {
            std::memmove(q + 1, q, static_cast<std::size_t>(end - q));
            ++end;
            ++q;
        }
    }
    *end++ = '"';
    return end;
}

bool ExtractionFileWriter::Flush()
{
    if (!failed_ && used_ > 0)
        failed_ = device_.write(pending_.constData(), used_) != used_;
    used_ = 0;
    return !failed_;
}
