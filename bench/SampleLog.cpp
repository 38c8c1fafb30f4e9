// korvex-samplelog: writes the sample log a new user tries KORVEX on: a few
// years of one operator's contacts, in the order they were made, with codes,
// frequencies, modes and reports as they go together on the air. The same
// bytes every time.
//   korvex-samplelog OUTPUT.HDB [OUTPUT.CSV]

#include "CsvFixtureWriter.h"
#include "HdbFixtureWriter.h"

#include <QCoreApplication>
#include <QDate>

#include <algorithm>
#include <cstdio>
#include <random>

namespace {

struct Channel {
    const char* freq;
    const char* mode;
};

// Where one operator is heard, by band: CW at the bottom, data, phone above.
const Channel Channels[] = {
    {"1.910", "CW"},   {"3.535", "CW"},   {"3.573", "FT8"},   {"3.785", "SSB"},  {"7.012", "CW"},
    {"7.041", "FT8"},  {"7.074", "FT8"},  {"7.130", "SSB"},   {"7.180", "SSB"},  {"10.125", "CW"},
    {"10.136", "FT8"}, {"14.025", "CW"},  {"14.074", "FT8"},  {"14.195", "SSB"}, {"18.100", "FT8"},
    {"18.130", "SSB"}, {"21.030", "CW"},  {"21.074", "FT8"},  {"21.285", "SSB"}, {"24.915", "FT8"},
    {"28.074", "FT8"}, {"28.500", "SSB"}, {"29.300", "FM"},   {"50.150", "SSB"}, {"50.313", "FT8"},
    {"51.000", "FM"},  {"144.050", "CW"}, {"144.200", "SSB"}, {"145.000", "FM"}, {"430.100", "SSB"},
    {"433.000", "FM"}, {"433.080", "FM"}, {"1295.00", "FM"},  {"2427.00", "FM"}, {"5760.10", "SSB"},
    {"10368", "SSB"},  {"24048", "CW"},
};

// Call areas with a city (JCC, four digits) or county (JCG, five) code and its place.
struct Place {
    char area;
    const char* code;
    const char* qth;
};
const Place Places[] = {
    {'1', "100110", "東京都練馬区"},   {'1', "1012", "東京都八王子市"},
    {'1', "1108", "神奈川県横須賀市"}, {'1', "13005", "埼玉県秩父郡"},
    {'1', "1401", "千葉県千葉市"},     {'2', "2002", "愛知県豊橋市"},
    {'2', "2104", "静岡県沼津市"},     {'3', "2501", "京都府京都市"},
    {'3', "2702", "大阪府堺市"},       {'4', "3101", "岡山県岡山市"},
    {'5', "3601", "香川県高松市"},     {'6', "4001", "福岡県福岡市"},
    {'6', "4801", "沖縄県那覇市"},     {'7', "0501", "宮城県仙台市"},
    {'7', "06007", "秋田県北秋田郡"},  {'8', "0101", "北海道札幌市"},
    {'8', "01030", "北海道上川郡"},    {'9', "2901", "石川県金沢市"},
    {'0', "1801", "新潟県新潟市"},     {'0', "0902", "長野県松本市"},
};

const char* const Names[] = {"山田", "佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺",
                             "中村", "小林", "加藤", "吉田", "山本", "Ken",  "Hiro"};

class SampleLog {
public:
    HdbContact Next()
    {
        // Two or three contacts an evening, a few evenings a week.
        if (Pick(2) == 0) {
            date_ = date_.addDays(1 + Pick(12));
            minute_ = 19 * 60 + Pick(180);
        } else {
            minute_ = std::min(minute_ + 3 + Pick(25), 23 * 60 + 59);
        }
        HdbContact c;
        c.Century = date_.year() / 100;
        c.Year = date_.year() % 100, c.Month = date_.month(), c.Day = date_.day();
        c.Hour = minute_ / 60 % 24, c.Minute = minute_ % 60;
        const Channel& channel = Channels[Pick(std::size(Channels))];
        c.Freq = QString::fromLatin1(channel.freq);
        c.Mode = QString::fromLatin1(channel.mode);
        const bool foreign = Pick(100) < 7;
        c.Utc = foreign; // contacts abroad are logged in UTC
        c.His = Report(c.Mode), c.My = Report(c.Mode);
        const Place& home = Places[Pick(std::size(Places))];
        c.Call = foreign ? DxCall() : HomeCall(home.area);
        const Place& at = Pick(100) < 35 ? Places[Pick(std::size(Places))] : home;
        if (!foreign && &at != &home)
            c.Call += u'/' + (Pick(12) ? QString(QLatin1Char(at.area))
                                       : QStringLiteral("JA") + QLatin1Char(at.area));
        if (!foreign) {
            c.Code = QString::fromLatin1(at.code);
            c.Qth = QString::fromUtf8(at.qth);
            c.Name = Pick(2) ? QString::fromUtf8(Names[Pick(std::size(Names))]) : QString();
            c.Rmk1 = &at != &home ? QStringLiteral("移動運用") : QString();
        }
        // Older cards have come back, recent ones are still on their way.
        static const char* const Marks[] = {"J J", "J *", "J  ", "N  ", "E E", "D D"};
        c.Qsl = date_ < QDate(2023, 6, 1) ? Marks[Pick(2) ? 0 : Pick(6)] : Marks[1 + Pick(3)];
        c.Deleted = Pick(150) == 0; // a duplicate taken back
        return c;
    }

private:
    int Pick(std::size_t n) { return static_cast<int>(engine_() % n); }

    QString Report(const QString& mode)
    {
        if (mode == u"FT8")
            return QString::number(-20 + Pick(25));
        if (mode == u"CW")
            return Pick(4) ? QStringLiteral("599") : QStringLiteral("579");
        return Pick(4) ? QStringLiteral("59") : QStringLiteral("57");
    }

    QString HomeCall(char area)
    {
        static const char* const Families[] = {"JA", "JA", "JH", "JR", "JE", "JF", "JG",
                                               "JI", "JJ", "JK", "JL", "JO", "JP", "JQ",
                                               "JS", "7K", "7M", "7N", "8J"};
        const QString family = QString::fromLatin1(Families[Pick(std::size(Families))]);
        // 7K to 7N calls are issued in the first area only; 8J calls are special stations.
        const QChar digit = family.startsWith(u'7') ? QChar(u'1' + Pick(4)) : QLatin1Char(area);
        QString call = family + digit;
        for (int i = 0, n = family == u"8J" ? 3 : 2 + Pick(2); i < n; ++i)
            call += QChar(u'A' + Pick(26));
        return call;
    }

    QString DxCall()
    {
        static const char* const Prefixes[] = {"K6",  "W1",  "VK2", "BV2", "HL1", "DS2",
                                               "BG4", "DL1", "VE3", "KH6", "9M2", "YB1"};
        QString call = QString::fromLatin1(Prefixes[Pick(std::size(Prefixes))]);
        for (int i = 0, n = 2 + Pick(2); i < n; ++i)
            call += QChar(u'A' + Pick(26));
        return call;
    }

    std::mt19937 engine_{2021};
    QDate date_{2021, 4, 3};
    int minute_ = 20 * 60;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = QCoreApplication::arguments();
    if (args.size() < 2 || args.size() > 3) {
        std::fputs("usage: korvex-samplelog OUTPUT.HDB [OUTPUT.CSV]\n", stderr);
        return 2;
    }
    std::vector<HdbContact> contacts;
    SampleLog sample;
    while (contacts.size() < 300)
        contacts.push_back(sample.Next());
    if (!HdbFixtureWriter().WriteFile(args[1], contacts) ||
        (args.size() == 3 && !CsvFixtureWriter().WriteFile(args[2], contacts))) {
        std::fputs("korvex-samplelog: cannot write the sample\n", stderr);
        return 1;
    }
    const auto deleted = std::count_if(contacts.begin(), contacts.end(),
                                       [](const HdbContact& c) { return c.Deleted; });
    std::printf("%zu contacts (%td deleted), %s to %s\n", contacts.size(), deleted,
                qPrintable(QDate(contacts.front().Century * 100 + contacts.front().Year,
                                 contacts.front().Month, contacts.front().Day)
                               .toString(Qt::ISODate)),
                qPrintable(QDate(contacts.back().Century * 100 + contacts.back().Year,
                                 contacts.back().Month, contacts.back().Day)
                               .toString(Qt::ISODate)));
    return 0;
}
