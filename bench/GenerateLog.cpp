// korvex-genlog: writes a synthetic HAMLOG.HDB with a realistic mix of contacts,
// the same bytes for the same seed and size; with --csv the same contacts as a
// HAMLOG CSV export, with --adif as an ADIF log (Japan times in UTC).

#include "AdifFixtureWriter.h"
#include "CsvFixtureWriter.h"
#include "HdbFixtureWriter.h"

#include <QCoreApplication>
#include <QFile>

#include <cstdio>
#include <random>

namespace {

class Generator {
public:
    explicit Generator(quint32 seed) : engine_(seed) {}

    HdbContact Next()
    {
        HdbContact c;
        c.Call = Callsign();
        c.Year = Pick(100);
        c.Month = 1 + Pick(12);
        c.Day = 1 + Pick(28);
        c.Century = c.Year > 50 ? 19 : 20;
        c.Hour = Pick(24);
        c.Minute = Pick(60);
        c.Utc = Pick(10) >= 7; // 70 % Japan time
        static const char* const Freqs[] = {
            "1.910", "3.535", "7.050", "10.125", "14.200", "18.120", "21.300", "24.940", "28.500",
            "50.200", "144.10", "430.00", "1295.0", "2427.5", "5760", "10368", "24048", "47088",
            "7.100", "145.00", "433.00", "29.600", "51.000", "3.800"};
        c.Freq = QString::fromLatin1(Freqs[Pick(std::size(Freqs))]);
        static const char* const Modes[] = {"SSB", "CW", "FM", "FM", "SSB", "CW", "RTTY", "FT8", "AM"};
        c.Mode = QString::fromLatin1(Modes[Pick(std::size(Modes))]);
        const bool cw = c.Mode == u"CW" || c.Mode == u"RTTY";
        c.His = cw ? QStringLiteral("599") : QStringLiteral("59");
        c.My = c.His;
        c.Code = QString::number(100000 + Pick(480000)).right(4 + Pick(3));
        static const char* const Qsl[] = {"J  ", "J *", "JNN", "N  ", "J J", "B  ", "J E", "   "};
        c.Qsl = Qsl[Pick(std::size(Qsl))];
        c.Name = Pick(3) == 0 ? QStringLiteral("山田") : QString();
        c.Qth = Pick(4) == 0 ? QStringLiteral("東京都") : QString();
        c.Rmk1 = Pick(5) == 0 ? QStringLiteral("移動運用") : QString();
        c.Deleted = Pick(200) == 0;
        return c;
    }

private:
    int Pick(std::size_t n) { return static_cast<int>(engine_() % n); }

    QString Callsign()
    {
        static const char* const Families[] = {
            "JA", "JD", "JE", "JF", "JG", "JH", "JI", "JJ", "JK", "JL", "JM", "JN", "JO",
            "JP", "JQ", "JR", "JS", "7K", "7L", "7M", "7N", "7J", "8J", "8N"};
        static const char* const Foreign[] = {"K1", "W6", "VK2", "BV1", "HL5", "KH6", "DL1"};
        QString letters;
        for (int i = 0, n = 2 + Pick(2); i < n; ++i)
            letters += QChar(u'A' + Pick(26));
        const int kind = Pick(100);
        if (kind < 8)
            return QString::fromLatin1(Foreign[Pick(std::size(Foreign))]) + letters;
        const QString base = QString::fromLatin1(Families[Pick(std::size(Families))]) +
                             QString::number(Pick(10)) + letters;
        if (kind < 48) { // 40 % portable
            static const char* const Suffixes[] = {"JA1", "JA0", "JD1", "P", "JA9"};
            return base + u'/' + (Pick(5) ? QString::number(Pick(10))
                                           : QString::fromLatin1(Suffixes[Pick(5)]));
        }
        return base;
    }

    std::mt19937 engine_;
};

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QStringList args = QCoreApplication::arguments();
    const bool csv = args.removeAll(QStringLiteral("--csv")) > 0;
    const bool adif = !csv && args.removeAll(QStringLiteral("--adif")) > 0;
    if (args.size() < 3 || args.size() > 4) {
        std::fputs("usage: korvex-genlog RECORDS OUTPUT [SEED] [--csv | --adif]\n", stderr);
        return 2;
    }
    bool ok = false;
    const quint32 records = args[1].toUInt(&ok);
    const quint32 seed = args.size() == 4 ? args[3].toUInt() : 1;
    if (!ok) {
        std::fputs("korvex-genlog: RECORDS must be a number\n", stderr);
        return 2;
    }
    QFile out(args[2]);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        std::fprintf(stderr, "korvex-genlog: %s\n", qPrintable(out.errorString()));
        return 1;
    }
    const HdbFixtureWriter writer;
    const CsvFixtureWriter csvWriter;
    const AdifFixtureWriter adifWriter;
    Generator generator(seed);
    QByteArray chunk = csv ? QByteArray() : adif ? adifWriter.Header() : writer.Header(records);
    for (quint32 i = 0; i < records; ++i) {
        const HdbContact contact = generator.Next();
        chunk += csv ? csvWriter.Line(contact)
                 : adif ? adifWriter.Record(contact)
                        : writer.Record(contact);
        if (chunk.size() > (1 << 20) || i + 1 == records) {
            if (out.write(chunk) != chunk.size())
                break;
            chunk.clear();
        }
    }
    if (!csv && !adif)
        chunk += '\x1A';
    if (out.write(chunk) != chunk.size() || !out.flush()) {
        std::fprintf(stderr, "korvex-genlog: %s\n", qPrintable(out.errorString()));
        return 1;
    }
    return 0;
}
