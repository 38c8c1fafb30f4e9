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

QStringView OperatingAreaOf(QStringView suffix)
{
    if (suffix.size() == 1 && InRange(suffix[0], '0', '9'))
        return suffix;
    if (suffix.size() == 3 && InRange(suffix[2], '0', '9') &&
        (suffix.startsWith(u"JA") || suffix == u"JD1"))
        return suffix.last(1);
    return {};
}

std::optional<QStringView> HomeAreaOf(QStringView base)
{
    static constexpr QStringView AreaOne = u"1";
    if (base.size() < 2)
        return std::nullopt;
    const QChar first = base[0], second = base[1];
    const QStringView third = base.sliced(2).first(base.size() > 2 ? 1 : 0);
    if (first == u'J' && (second == u'A' || InRange(second, 'D', 'S')))
        return third;
    if (first == u'7' && InRange(second, 'K', 'N'))
        return third.size() == 1 && InRange(third[0], '1', '4') ? AreaOne : third;
    if ((first == u'7' && second == u'J') || (first == u'8' && InRange(second, 'J', 'N')))
        return third;
    return std::nullopt;
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
    while (!text.isEmpty() && text.front() == u' ')
        text = text.sliced(1);
    while (!text.isEmpty() && text.back() == u' ')
        text.chop(1);
    return text;
}

CallAreas ClassifyCallArea(QStringView callsign)
{
    const QStringView whole = TrimSpaces(callsign);
    if (whole.isEmpty())
        return {};
    const qsizetype slash = Find(whole, u'/');
    const QStringView base = TrimSpaces(slash < 0 ? whole : whole.first(slash));
    QStringView suffix;
    if (slash >= 0) {
        suffix = whole.sliced(slash + 1);
        const qsizetype next = Find(suffix, u'/');
        suffix = TrimSpaces(next < 0 ? suffix : suffix.first(next));
    }
    const QStringView operating = OperatingAreaOf(suffix);
    const std::optional<QStringView> home = HomeAreaOf(base);
    if (operating.isEmpty() || !home)
        return {};
    return {true, operating, *home};
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
    // A date that already has its four-digit year ("2025/08/16") needs none.
    if (date.size() > 4 && date[4] == u'/' && InRange(date[0], '0', '9') &&
        InRange(date[1], '0', '9') && InRange(date[2], '0', '9') && InRange(date[3], '0', '9'))
        return QLatin1StringView();
    const QStringView year = date.first(std::min<qsizetype>(2, date.size()));
    const std::u16string_view yearCodes(year.utf16(), static_cast<std::size_t>(year.size()));
    return yearCodes > std::u16string_view(u"50") ? QLatin1StringView("19")
                                                   : QLatin1StringView("20");
}

QString DateWithCentury(QStringView date)
{
    return QString(CenturyOf(date)).append(date);
}
