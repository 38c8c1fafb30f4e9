#include "RecordClassification.h"

#include "LogReader.h"

#include <algorithm>
#include <optional>
#include <string_view>

namespace {

QChar CharAt(QStringView text, qsizetype position) // 1-based; NUL when missing
{
    return position <= text.size() ? text[position - 1] : QChar();
}

// Searches in short texts, without a library call for each.
qsizetype Find(QStringView text, char16_t c)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == c)
            return i;
    }
    return -1;
}

// Prefix tests on short texts, without a library call per test.
bool Starts(QStringView text, char16_t first, char16_t second)
{
    return text.size() >= 2 && text[0] == first && text[1] == second;
}

bool Starts(QStringView text, char16_t first, char16_t second, char16_t third)
{
    return text.size() >= 3 && Starts(text, first, second) && text[2] == third;
}

bool InRange(QChar c, char low, char high)
{
    return !c.isNull() && c >= QLatin1Char(low) && c <= QLatin1Char(high);
}

// The callsign and date rules read their text through these, so that decoded
// text (UTF-16) and the log's own bytes (Latin-1) go through the same rules.
template <typename Char> using Text = std::basic_string_view<Char>;

unsigned Unit(char16_t c)
{
    return c;
}

unsigned Unit(char c)
{
    return static_cast<unsigned char>(c);
}

template <typename Char> bool UnitIn(Char c, char low, char high)
{
    return Unit(c) >= static_cast<unsigned char>(low) &&
           Unit(c) <= static_cast<unsigned char>(high);
}

template <typename Char> Text<Char> Trimmed(Text<Char> text)
{
    while (!text.empty() && text.front() == Char(' '))
        text.remove_prefix(1);
    while (!text.empty() && text.back() == Char(' '))
        text.remove_suffix(1);
    return text;
}

// The part before the first "/" (all of it when there is none); `rest` gets
// what follows that "/", and nothing when there is none.
template <typename Char> Text<Char> SplitAtSlash(Text<Char> text, Text<Char>* rest)
{
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == Char('/')) {
            if (rest)
                *rest = text.substr(i + 1);
            return text.substr(0, i);
        }
    }
    if (rest)
        *rest = {};
    return text;
}

template <typename Char> Text<Char> OperatingAreaOf(Text<Char> suffix)
{
    if (suffix.size() == 1 && UnitIn(suffix[0], '0', '9'))
        return suffix;
    if (suffix.size() == 3 && UnitIn(suffix[2], '0', '9') && suffix[0] == Char('J') &&
        (suffix[1] == Char('A') || (suffix[1] == Char('D') && suffix[2] == Char('1'))))
        return suffix.substr(2);
    return {};
}

template <typename Char> constexpr Char AreaOne[] = {Char('1'), Char(0)};

template <typename Char> std::optional<Text<Char>> HomeAreaOf(Text<Char> base)
{
    if (base.size() < 2)
        return std::nullopt;
    const Char first = base[0], second = base[1];
    const Text<Char> third = base.substr(2, 1);
    if (first == Char('J') && (second == Char('A') || UnitIn(second, 'D', 'S')))
        return third;
    if (first == Char('7') && UnitIn(second, 'K', 'N'))
        return third.size() == 1 && UnitIn(third[0], '1', '4') ? Text<Char>(AreaOne<Char>, 1)
                                                               : third;
    if ((first == Char('7') && second == Char('J')) ||
        (first == Char('8') && UnitIn(second, 'J', 'N')))
        return third;
    return std::nullopt;
}

template <typename Char> struct Areas {
    bool accepted = false;
    Text<Char> operating, home;
};

template <typename Char> Areas<Char> Classify(Text<Char> callsign)
{
    const Text<Char> whole = Trimmed(callsign);
    if (whole.empty())
        return {};
    Text<Char> suffix;
    const Text<Char> base = Trimmed(SplitAtSlash(whole, &suffix));
    suffix = Trimmed(SplitAtSlash(suffix, static_cast<Text<Char>*>(nullptr)));
    const Text<Char> operating = OperatingAreaOf(suffix);
    const std::optional<Text<Char>> home = HomeAreaOf(base);
    if (operating.empty() || !home)
        return {};
    return {true, operating, *home};
}

template <typename Char> QLatin1StringView Century(Text<Char> date)
{
    // A date that already has its four-digit year ("2025/08/16") needs none.
    if (date.size() > 4 && date[4] == Char('/') && UnitIn(date[0], '0', '9') &&
        UnitIn(date[1], '0', '9') && UnitIn(date[2], '0', '9') && UnitIn(date[3], '0', '9'))
        return QLatin1StringView();
    // The year's two characters against "50", as texts: "5" and "50" are not above it.
    bool above = false;
    if (!date.empty()) {
        const unsigned tens = Unit(date[0]);
        above = tens != '5' ? tens > '5' : date.size() >= 2 && Unit(date[1]) > '0';
    }
    return above ? QLatin1StringView("19") : QLatin1StringView("20");
}

std::u16string_view Units(QStringView text)
{
    return {text.utf16(), static_cast<std::size_t>(text.size())};
}

std::string_view Units(QLatin1StringView text)
{
    return {text.data(), static_cast<std::size_t>(text.size())};
}

QStringView View(std::u16string_view text)
{
    return QStringView(text.data(), static_cast<qsizetype>(text.size()));
}

QLatin1StringView View(std::string_view text)
{
    return QLatin1StringView(text.data(), static_cast<qsizetype>(text.size()));
}

// Microwave bands by their range in GHz, in thousandths: [low, high).
struct GigahertzBand {
    qint64 low, high;
    int band;
};

// A decimal number followed by "G" is in GHz. Its value in thousandths of a GHz,
// the fraction cut (not rounded), which places every value on the right side of
// band edges that have at most three decimals; nullopt for any other text.
std::optional<qint64> GigahertzThousandths(QStringView f)
{
    if (f.size() < 2 || f.back() != u'G')
        return std::nullopt;
    f.chop(1);
    qint64 whole = 0, fraction = 0;
    qsizetype i = 0, digits = 0, decimals = 0;
    for (; i < f.size() && InRange(f[i], '0', '9'); ++i, ++digits) {
        // Held far above every band, so that no length of digits overflows.
        whole = std::min<qint64>(whole * 10 + (f[i].unicode() - u'0'), 1'000'000'000);
    }
    if (digits == 0)
        return std::nullopt;
    if (i < f.size()) {
        if (f[i] != u'.' || i + 1 == f.size())
            return std::nullopt;
        for (++i; i < f.size(); ++i, ++decimals) {
            if (!InRange(f[i], '0', '9'))
                return std::nullopt;
            if (decimals < 3)
                fraction = fraction * 10 + (f[i].unicode() - u'0');
        }
    }
    for (; decimals < 3; ++decimals)
        fraction *= 10;
    return whole * 1000 + fraction;
}

} // namespace

QStringView TrimSpaces(QStringView text)
{
    return View(Trimmed(Units(text)));
}

CallAreas ClassifyCallArea(QStringView callsign)
{
    const Areas<char16_t> areas = Classify(Units(callsign));
    return {areas.accepted, View(areas.operating), View(areas.home)};
}

Latin1CallAreas ClassifyCallArea(QLatin1StringView callsign)
{
    const Areas<char> areas = Classify(Units(callsign));
    return {areas.accepted, View(areas.operating), View(areas.home)};
}

const QString& BandName(QStringView f)
{
    static const QString Empty;
    static const QString Bands[] = {
        QStringLiteral("1.9"),  QStringLiteral("3.5"),   QStringLiteral("7"),
        QStringLiteral("10"),   QStringLiteral("14"),    QStringLiteral("18"),
        QStringLiteral("21"),   QStringLiteral("24"),    QStringLiteral("28"),
        QStringLiteral("50"),   QStringLiteral("144"),   QStringLiteral("430"),
        QStringLiteral("1200"), QStringLiteral("2400"),  QStringLiteral("5600"),
        QStringLiteral("10000"), QStringLiteral("24000"), QStringLiteral("47000"),
    };
    enum { B1_9, B3_5, B7, B10, B14, B18, B21, B24, B28, B50, B144, B430, B1200, B2400, B5600,
           B10000, B24000, B47000 };

    // Logs also write microwave contacts in GHz ("10.1G"); such a text names its
    // band by value or names none, and never reaches the MHz rules, where "10G"
    // would be the 10 MHz band.
    if (const std::optional<qint64> ghz = GigahertzThousandths(f)) {
        static constexpr GigahertzBand Ranges[] = {
            {1'200, 1'300, B1200},     {2'400, 2'500, B2400},     {5'600, 5'900, B5600},
            {10'000, 10'500, B10000},  {24'000, 24'300, B24000},  {47'000, 47'300, B47000},
        };
        for (const GigahertzBand& r : Ranges) {
            if (*ghz >= r.low && *ghz < r.high)
                return Bands[r.band];
        }
        return Empty;
    }

    // Microwave logs write five digits: a "." in sixth place, or none in a 5-character text.
    qsizetype dot = Find(f, u'.') + 1;
    if (dot == 0 && f.size() == 5)
        dot = 6;
    if (dot == 6) {
        if (Starts(f, u'1', u'0'))
            return Bands[B10000];
        if (Starts(f, u'2', u'4'))
            return Bands[B24000];
        if (Starts(f, u'4', u'7'))
            return Bands[B47000];
    }

    // Every test runs and the last that holds wins: "144" is first taken for "14".
    const QChar c1 = CharAt(f, 1), c2 = CharAt(f, 2), c3 = CharAt(f, 3);
    const QString* band = &Empty;
    auto test = [&](bool holds, int which) {
        if (holds)
            band = &Bands[which];
    };
    test(Starts(f, u'1', u'.'), B1_9);
    test(Starts(f, u'3', u'.'), B3_5);
    test(c1 == u'7', B7);
    test(Starts(f, u'1', u'0'), B10);
    test(Starts(f, u'1', u'4'), B14);
    test(Starts(f, u'1', u'8'), B18);
    test(Starts(f, u'2', u'1'), B21);
    test(Starts(f, u'2', u'4') && (f.size() == 2 || c3 == u'.'), B24);
    test(Starts(f, u'2', u'8'), B28);
    test(Starts(f, u'2', u'9'), B28);
    test(c1 == u'5' && InRange(c2, '0', '5'), B50);
    test(Starts(f, u'1', u'4', u'5') || Starts(f, u'1', u'4', u'4'), B144);
    test(Starts(f, u'4', u'3'), B430);
    test(Starts(f, u'1', u'2'), B1200);
    test(InRange(c3, '0', '9') && Starts(f, u'2', u'4'), B2400);
    test(InRange(c2, '6', '9') && c1 == u'5', B5600);
    return *band;
}

QString InvalidFrequencyMessage(qint32 recordNo, const QString& frequency)
{
    return QStringLiteral("交信番号 ") + QString::number(recordNo) +
           QStringLiteral(" の交信周波数は 無効です") + QLatin1Char('\n') + frequency;
}

void BandFromFrequency(LogReader& log, ReaderWindow& window)
{
    log.BandText = BandName(log.FreqText);
    if (log.BandText.isEmpty())
        window.ShowMessage(InvalidFrequencyMessage(log.RecordNo, log.FreqText));
}

QLatin1StringView CenturyOf(QStringView date)
{
    return Century(Units(date));
}

QLatin1StringView CenturyOf(QLatin1StringView date)
{
    return Century(Units(date));
}

QString DateWithCentury(QStringView date)
{
    return QString(CenturyOf(date)).append(date);
}
