#include "AdifRecord.h"

#include "CodePage932.h"
#include "CodePage932Bytes.h"
#include "RecordSource.h"

#include <QDate>
#include <QString>

#include <algorithm>
#include <cstring>

namespace {

constexpr std::size_t TextSpace = RecordSource::FieldBufferSize;

struct NamedKey {
    QByteArrayView name;
    AdifRecord::Key key;
};

constexpr NamedKey Names[] = {
    {"CALL", AdifRecord::Call},
    {"QSO_DATE", AdifRecord::QsoDate},
    {"TIME_ON", AdifRecord::TimeOn},
    {"FREQ", AdifRecord::Freq},
    {"BAND", AdifRecord::Band},
    {"MODE", AdifRecord::Mode},
    {"SUBMODE", AdifRecord::Submode},
    {"RST_SENT", AdifRecord::RstSent},
    {"RST_RCVD", AdifRecord::RstRcvd},
    {"GRIDSQUARE", AdifRecord::Gridsquare},
    {"QSL_SENT", AdifRecord::QslSent},
    {"QSL_SENT_VIA", AdifRecord::QslSentVia},
    {"QSL_RCVD", AdifRecord::QslRcvd},
    {"LOTW_QSL_RCVD", AdifRecord::LotwQslRcvd},
    {"EQSL_QSL_RCVD", AdifRecord::EqslQslRcvd},
    {"CNTY", AdifRecord::Cnty},
    {"DXCC", AdifRecord::Dxcc},
    {"NAME", AdifRecord::Name},
    {"NAME_INTL", AdifRecord::NameIntl},
    {"QTH", AdifRecord::Qth},
    {"QTH_INTL", AdifRecord::QthIntl},
    {"COMMENT", AdifRecord::Comment},
    {"COMMENT_INTL", AdifRecord::CommentIntl},
    {"NOTES", AdifRecord::Notes},
    {"NOTES_INTL", AdifRecord::NotesIntl},
};

// The frequency text HAMLOG users write for a band, from the ADIF band names.
constexpr std::pair<QByteArrayView, QByteArrayView> BandFrequencies[] = {
    {"2190M", "0.136"},  {"630M", "0.475"}, {"160M", "1.9"},  {"80M", "3.5"},
    {"60M", "5"},        {"40M", "7"},      {"30M", "10"},    {"20M", "14"},
    {"17M", "18"},       {"15M", "21"},     {"12M", "24"},    {"10M", "28"},
    {"8M", "40"},        {"6M", "50"},      {"4M", "70"},     {"2M", "144"},
    {"1.25M", "222"},    {"70CM", "430"},   {"33CM", "902"},  {"23CM", "1200"},
    {"13CM", "2400"},    {"9CM", "3400"},   {"6CM", "5600"},  {"3CM", "10000"},
    {"1.25CM", "24000"}, {"6MM", "47000"},  {"4MM", "77000"}, {"2.5MM", "122000"},
    {"2MM", "134000"},   {"1MM", "241000"},
};

char Upper(char c)
{
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameLetters(QByteArrayView a, QByteArrayView b)
{
    if (a.size() != b.size())
        return false;
    for (qsizetype i = 0; i < a.size(); ++i) {
        if (Upper(a[i]) != Upper(b[i]))
            return false;
    }
    return true;
}

QByteArrayView Trimmed(QByteArrayView value)
{
    while (!value.isEmpty() && (value.front() == ' ' || value.front() == '\t'))
        value = value.sliced(1);
    while (!value.isEmpty() && (value.back() == ' ' || value.back() == '\t'))
        value.chop(1);
    return value;
}

// Up to the first zero byte, trailing spaces removed, as the database's text fields.
QByteArrayView TextOf(QByteArrayView value)
{
    qsizetype text = 0; // values are short: a loop beats a library call
    while (text < value.size() && value[text] != '\0')
        ++text;
    value.truncate(text);
    while (!value.isEmpty() && value.back() == ' ')
        value.chop(1);
    return value;
}

bool AllDigits(QByteArrayView text)
{
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

int Number(QByteArrayView digits)
{
    int value = 0;
    for (char c : digits)
        value = value * 10 + (c - '0');
    return value;
}

// The bytes of whole code page 932 characters that fit the text space.
std::size_t FitCodePage932(const char* bytes, std::size_t size)
{
    std::size_t used = 0;
    while (used < size) {
        const bool lead = CodePage932Bytes::KindOf(static_cast<unsigned char>(bytes[used])) ==
                          CodePage932Bytes::Lead;
        const std::size_t length = lead && used + 1 < size ? 2 : 1;
        if (used + length > TextSpace)
            break;
        used += length;
    }
    return used;
}

std::size_t WriteCodePage932(char* buffer, QByteArrayView bytes)
{
    const std::size_t size = FitCodePage932(bytes.data(), static_cast<std::size_t>(bytes.size()));
    if (size > 0) // an empty view may have no data at all
        std::memcpy(buffer, bytes.data(), size);
    return size;
}

// UTF-8 text in code page 932. A byte that is no UTF-8 becomes a byte that is no
// code page 932 either, so that the reader shows U+FFFD as for the other logs;
// a character the code page lacks becomes "?".
std::size_t WriteUtf8(char* buffer, QByteArrayView bytes, CodePage932& codec)
{
    if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; }))
        return WriteCodePage932(buffer, bytes);
    const QString text = QString::fromUtf8(bytes);
    char converted[2 * AdifRecord::MaxValue + 2];
    char* out = converted;
    qsizetype start = 0;
    for (qsizetype i = 0; i <= text.size(); ++i) {
        if (i < text.size() && text[i] != QChar::ReplacementCharacter)
            continue;
        out = codec.EncodeTo(QStringView(text).sliced(start, i - start), out);
        if (i < text.size())
            *out++ = '\x80';
        start = i + 1;
    }
    return WriteCodePage932(buffer, QByteArrayView(converted, out - converted));
}

std::size_t WriteAscii(char* buffer, QByteArrayView text)
{
    const std::size_t size =
        std::min<std::size_t>(static_cast<std::size_t>(text.size()), TextSpace);
    if (size > 0)
        std::memcpy(buffer, text.data(), size);
    return size;
}

void TwoDigits(char* out, int value)
{
    out[0] = static_cast<char>('0' + value / 10 % 10);
    out[1] = static_cast<char>('0' + value % 10);
}

bool IsYes(QByteArrayView status)
{
    status = Trimmed(status);
    return !status.isEmpty() && (Upper(status[0]) == 'Y' || Upper(status[0]) == 'V');
}

} // namespace

AdifRecord::Key AdifRecord::KeyOf(QByteArrayView name)
{
    // Every field of a log passes here: a small hash table of the names in
    // capitals, compared as two words.
    struct Slot {
        quint64 words[2] = {};
        qsizetype size = 0;
        Key key = KeyCount;
    };
    constexpr std::size_t Slots = 64;
    constexpr qsizetype Longest = 16;
    const auto hash = [](const char* upper, qsizetype size) {
        return (static_cast<std::size_t>(size) * 7 + static_cast<unsigned char>(upper[0]) * 3 +
                static_cast<unsigned char>(upper[size - 1])) %
               Slots;
    };
    static const std::array<Slot, Slots> Table = [&] {
        std::array<Slot, Slots> table{};
        for (const NamedKey& named : Names) {
            std::size_t at = hash(named.name.data(), named.name.size());
            while (table[at].size != 0)
                at = (at + 1) % Slots;
            std::memcpy(table[at].words, named.name.data(),
                        static_cast<std::size_t>(named.name.size()));
            table[at].size = named.name.size();
            table[at].key = named.key;
        }
        return table;
    }();
    if (name.isEmpty() || name.size() > Longest)
        return KeyCount;
    quint64 words[2] = {};
    std::memcpy(words, name.data(), static_cast<std::size_t>(name.size()));
    for (quint64& word : words) {
        // Capitals eight bytes at a time: 0x20 off every byte from 'a' to 'z'.
        constexpr quint64 Ones = 0x0101010101010101ULL, High = 0x80 * Ones;
        const quint64 low = word & ~High;
        const quint64 lower =
            (low + (0x80 - 'a') * Ones) & ~(low + (0x80 - 'z' - 1) * Ones) & ~word & High;
        word -= lower >> 2;
    }
    char upper[Longest];
    std::memcpy(upper, words, sizeof words);
    for (std::size_t at = hash(upper, name.size()); Table[at].size != 0; at = (at + 1) % Slots) {
        const Slot& slot = Table[at];
        if (slot.size == name.size() && slot.words[0] == words[0] && slot.words[1] == words[1])
            return slot.key;
    }
    return KeyCount;
}

void AdifRecord::Clear()
{
    sizes_.fill(0);
}

void AdifRecord::Set(Key key, QByteArrayView value)
{
    const std::size_t size =
        std::min<std::size_t>(static_cast<std::size_t>(value.size()), MaxValue);
    if (size > 0)
        std::memcpy(values_[key].data(), value.data(), size);
    sizes_[key] = size;
}

QByteArrayView AdifRecord::Value(Key key) const
{
    return QByteArrayView(values_[key].data(), static_cast<qsizetype>(sizes_[key]));
}

QByteArrayView AdifRecord::Either(Key intl, Key plain) const
{
    return sizes_[intl] > 0 ? Value(intl) : Value(plain);
}

std::size_t AdifRecord::WriteDateTime(char* buffer, bool date) const
{
    const QByteArrayView day = Trimmed(Value(QsoDate));
    const QByteArrayView time = Trimmed(Value(TimeOn));
    QDate utc;
    if (day.size() == 8 && AllDigits(day))
        utc = QDate(Number(day.first(4)), Number(day.sliced(4, 2)), Number(day.sliced(6, 2)));
    const bool timeValid = (time.size() == 4 || time.size() == 6) && AllDigits(time) &&
                           Number(time.first(2)) < 24 && Number(time.sliced(2, 2)) < 60;
    if (!utc.isValid() || !timeValid) // no Japan time without both: written as found, no mark
        return WriteAscii(buffer, date ? day : time);
    // ADIF times are UTC; the log keeps Japan time, nine hours ahead.
    int minutes = Number(time.first(2)) * 60 + Number(time.sliced(2, 2)) + 9 * 60;
    const QDate japan = utc.addDays(minutes / (24 * 60));
    minutes %= 24 * 60;
    if (date) {
        TwoDigits(buffer, japan.year() % 100);
        buffer[2] = '/';
        TwoDigits(buffer + 3, japan.month());
        buffer[5] = '/';
        TwoDigits(buffer + 6, japan.day());
        return 8;
    }
    TwoDigits(buffer, minutes / 60);
    buffer[2] = ':';
    TwoDigits(buffer + 3, minutes % 60);
    buffer[5] = 'J';
    return 6;
}

QByteArrayView AdifRecord::Frequency() const
{
    const QByteArrayView freq = Trimmed(Value(Freq));
    if (!freq.isEmpty())
        return freq;
    const QByteArrayView band = Trimmed(Value(Band));
    for (const auto& [name, text] : BandFrequencies) {
        if (SameLetters(name, band))
            return text;
    }
    return {};
}

QByteArrayView AdifRecord::ModeName() const
{
    // Operators log the submode where there is one (FT4, not MFSK), but a
    // sideband is logged as SSB.
    const QByteArrayView submode = Trimmed(Value(Submode));
    if (submode.isEmpty() || SameLetters(submode, "USB") || SameLetters(submode, "LSB"))
        return Trimmed(Value(Mode));
    return submode;
}

std::size_t AdifRecord::WriteQsl(char* buffer) const
{
    const QByteArrayView sent = Trimmed(Value(QslSent));
    const char sentMark = sent.isEmpty() ? ' ' : Upper(sent[0]);
    const QByteArrayView via = Trimmed(Value(QslSentVia));
    char viaMark = ' ';
    if (sentMark == 'N' || sentMark == 'I') {
        viaMark = 'N'; // no card
    } else if (!via.isEmpty()) {
        static constexpr std::pair<char, char> Routes[] = {
            {'B', 'J'}, {'D', 'D'}, {'E', 'E'}, {'M', 'M'}};
        for (const auto& [adif, hamlog] : Routes) {
            if (Upper(via[0]) == adif)
                viaMark = hamlog;
        }
    } else if (sentMark == 'Y' || sentMark == 'Q' || sentMark == 'R') {
        viaMark = 'J'; // a card with no route given goes through the JARL bureau
    }
    buffer[0] = viaMark;
    buffer[1] = sentMark == 'Y' ? '*' : ' ';
    // A confirmation from LoTW or eQSL counts as a card received.
    const bool received =
        IsYes(Value(QslRcvd)) || IsYes(Value(LotwQslRcvd)) || IsYes(Value(EqslQslRcvd));
    buffer[2] = received ? '*' : ' ';
    return 3;
}

std::size_t AdifRecord::WriteFlag(char* buffer) const
{
    constexpr int Japan = 339;
    constexpr unsigned Foreign = 0x0008, Normal = 0x0001, Reversed = 0x0002;
    const QByteArrayView dxcc = Trimmed(Value(Dxcc));
    unsigned flag = AllDigits(dxcc) && dxcc.size() < 6 && Number(dxcc) != Japan ? Foreign : 0;
    // A prefix before the call ("KH6/JE3HHT") is shorter than the call after it.
    const QByteArrayView call = Trimmed(Value(Call));
    const qsizetype slash = call.indexOf('/');
    flag |= slash >= 0 && slash < call.size() - slash - 1 ? Reversed : Normal;
    const QByteArray digits = QByteArray::number(flag);
    return WriteAscii(buffer, digits);
}

void AdifRecord::Write(char* buffer, int field, Text text, CodePage932& codec) const
{
    auto writeText = [&](QByteArrayView value) {
        value = TextOf(value);
        return text == Text::Utf8 ? WriteUtf8(buffer, value, codec)
                                  : WriteCodePage932(buffer, value);
    };
    auto upperText = [&](QByteArrayView value) {
        const std::size_t written = writeText(value);
        if (std::all_of(buffer, buffer + written, [](char c) { return (c & 0x80) == 0; })) {
            for (std::size_t i = 0; i < written; ++i)
                buffer[i] = Upper(buffer[i]);
        }
        return written;
    };
    std::size_t size = 0;
    switch (field) {
    case 0:
        size = upperText(Trimmed(Value(Call)));
        break;
    case 2:
        size = WriteDateTime(buffer, true);
        break;
    case 3:
        size = WriteDateTime(buffer, false);
        break;
    case 4:
        size = writeText(Value(RstSent));
        break;
    case 5:
        size = writeText(Value(RstRcvd));
        break;
    case 6:
        size = writeText(Frequency());
        break;
    case 7:
        size = upperText(ModeName());
        break; // ADIF enumerations ignore letter case
    case 8: {
        // A county-style "area,code" keeps the code.
        QByteArrayView code = Trimmed(Value(Cnty));
        const qsizetype comma = code.indexOf(',');
        size = writeText(Trimmed(comma < 0 ? code : code.sliced(comma + 1)));
        break;
    }
    case 9:
        size = writeText(Value(Gridsquare));
        break;
    case 10:
        size = WriteQsl(buffer);
        break;
    case 11:
        size = writeText(Either(NameIntl, Name));
        break;
    case 12:
        size = writeText(Either(QthIntl, Qth));
        break;
    case 13:
        size = writeText(Either(CommentIntl, Comment));
        break;
    case 14:
        size = writeText(Either(NotesIntl, Notes));
        break;
    case 15:
        size = WriteFlag(buffer);
        break;
    default:
        break; // 1 (the database's callsign overflow) and 16 have no ADIF field
    }
    buffer[size] = '\0';
}
