#include "ExtractionFileWriter.h"

#include "CodePage932.h"
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

} // namespace

ExtractionFileWriter::ExtractionFileWriter(QIODevice& device, CodePage932& codec)
    : device_(device), codec_(codec), pending_(2 * FlushThreshold, Qt::Uninitialized)
{
}

char* ExtractionFileWriter::Room(qsizetype bytes)
{
    if (used_ + bytes > pending_.size()) {
        Flush();
        if (bytes > pending_.size())
            pending_.resize(bytes);
    }
    return pending_.data() + used_;
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
    qsizetype bound = 24 + 2 * 10 + row.Century.size();
    for (QByteArrayView item : {row.Call, row.Date, row.Time, row.Mode, row.Qsl, row.Code})
        bound += 2 * item.size();
    for (QStringView item : {row.OperatingArea, row.HomeArea, row.Band})
        bound += ItemBound(item);
    char* p = Room(bound);
    p = Text(p, row.OperatingArea);
    *p++ = ',';
    p = Text(p, row.HomeArea);
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
    for (QByteArrayView item : {row.Mode, row.Qsl, row.Code}) {
        *p++ = ',';
        p = Bytes(p, item);
    }
    *p++ = '\r';
    *p++ = '\n';
    used_ = p - pending_.data();
    if (used_ >= FlushThreshold)
        Flush();
}

char* ExtractionFileWriter::Bytes(char* p, QByteArrayView bytes, QLatin1StringView prefix)
{
    *p++ = '"';
    for (char c : prefix)
        *p++ = c;
    for (char c : bytes) {
        *p++ = c;
        if (c == '"')
            *p++ = '"';
    }
    *p++ = '"';
    return p;
}

char* ExtractionFileWriter::Number(char* p, qint32 value)
{
    char digits[12];
    int n = 0;
    auto rest = static_cast<quint32>(value < 0 ? -static_cast<qint64>(value) : value);
    do {
        digits[n++] = static_cast<char>('0' + rest % 10);
        rest /= 10;
    } while (rest != 0);
    if (value < 0)
        *p++ = '-';
    while (n > 0)
        *p++ = digits[--n];
    return p;
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
