#include "AdifFixtureWriter.h"

#include "CodePage932.h"

#include <QDate>
#include <QFile>

namespace {

bool IsAscii(const QString& text)
{
    for (QChar c : text) {
        if (c.unicode() >= 0x80)
            return false;
    }
    return true;
}

// The ADIF band of a frequency in MHz, for the loggers that write both.
QByteArray BandOf(const QString& freq)
{
    bool ok = false;
    const double mhz = freq.toDouble(&ok);
    static constexpr struct {
        double low, high;
        const char* band;
    } Bands[] = {{1.8, 2.0, "160m"},       {3.5, 4.0, "80m"},         {7.0, 7.3, "40m"},
                 {10.1, 10.15, "30m"},     {14.0, 14.35, "20m"},      {18.068, 18.168, "17m"},
                 {21.0, 21.45, "15m"},     {24.89, 24.99, "12m"},     {28.0, 29.7, "10m"},
                 {50.0, 54.0, "6m"},       {144.0, 148.0, "2m"},      {420.0, 450.0, "70cm"},
                 {1240.0, 1300.0, "23cm"}, {2300.0, 2450.0, "13cm"},  {5650.0, 5925.0, "6cm"},
                 {10000.0, 10500.0, "3cm"}, {24000.0, 24250.0, "1.25cm"},
                 {47000.0, 47200.0, "6mm"}};
    for (const auto& band : Bands) {
        if (ok && mhz >= band.low && mhz <= band.high)
            return band.band;
    }
    return {};
}

} // namespace

AdifFixtureWriter::AdifFixtureWriter(Options options)
    : options_(options), codec_(std::make_unique<CodePage932>())
{
}

AdifFixtureWriter::AdifFixtureWriter() : AdifFixtureWriter(Options{}) {}

AdifFixtureWriter::~AdifFixtureWriter() = default;

QByteArray AdifFixtureWriter::Specifier(const QByteArray& name, const QByteArray& value,
                                        qsizetype length)
{
    return '<' + name + ':' + QByteArray::number(length) + '>' + value;
}

QByteArray AdifFixtureWriter::Name(const char* name) const
{
    return options_.As == Form::WsjtX ? QByteArray(name).toLower() : QByteArray(name);
}

QByteArray AdifFixtureWriter::Header() const
{
    const QByteArray end = LineEnd();
    switch (options_.As) {
    case Form::WsjtX:
        return {};
    case Form::Lotw:
        return "ARRL Logbook of the World Status Report" + end + "Generated at 2024-06-01" + end +
               "for JA1XYZ" + end + "Query:" + end + "    QSL ONLY: YES" + end + end +
               Specifier("PROGRAMID", "LoTW") + end +
               Specifier("APP_LoTW_LASTQSL", "2024-05-30 12:00:00") + end + end + "<eoh>" + end;
    default:
        return "ADIF export for KORVEX tests" + end + Specifier("ADIF_VER", "3.1.4") + end +
               Specifier("PROGRAMID", "TestLogger") + end +
               Specifier("CREATED_TIMESTAMP", "20240601 120000") + end + "<EOH>" + end;
    }
}

QByteArray AdifFixtureWriter::Trailer() const
{
    return options_.As == Form::Lotw ? "<APP_LoTW_EOF>" + LineEnd() : QByteArray();
}

QByteArray AdifFixtureWriter::Text(const char* name, const QString& value) const
{
    if (value.isEmpty() || options_.As == Form::Lotw)
        return {};
    const QByteArray utf8 = value.toUtf8();
    switch (options_.As) {
    case Form::ShiftJis:
        return Specifier(Name(name), codec_->Encode(value)) + ' ';
    case Form::LoggerExport:
        if (!IsAscii(value)) {
            // An ASCII stand-in in the plain field, the text itself in _INTL.
            QString plain = value;
            for (QChar& c : plain) {
                if (c.unicode() >= 0x80)
                    c = u'?';
            }
            return Specifier(Name(name), plain.toLatin1()) + ' ' +
                   Specifier(Name(name) + "_INTL", utf8,
                             static_cast<qsizetype>(value.toUcs4().size())) +
                   ' ';
        }
        return Specifier(Name(name), utf8) + ' ';
    default:
        return Specifier(Name(name), utf8) + ' ';
    }
}

QByteArray AdifFixtureWriter::Qsl(const QByteArray& marks) const
{
    if (options_.As == Form::WsjtX)
        return {};
    const char via = marks.size() > 0 ? marks[0] : ' ';
    const bool sent = marks.size() > 1 && marks[1] == '*';
    const bool received = marks.size() > 2 && marks[2] == '*';
    QByteArray out;
    if (options_.As == Form::Lotw) // a download says only what LoTW confirmed
        return Specifier("QSL_RCVD", received ? "Y" : "N") + ' ' +
               (received ? Specifier("QSLRDATE", "20240530") + ' ' : QByteArray());
    if (via == 'N')
        out += Specifier(Name("QSL_SENT"), "N") + ' ';
    else if (sent)
        out += Specifier(Name("QSL_SENT"), "Y") + ' ';
    static constexpr std::pair<char, const char*> Routes[] = {
        {'J', "B"}, {'D', "D"}, {'E', "E"}, {'M', "M"}};
    for (const auto& [mark, route] : Routes) {
        if (via == mark)
            out += Specifier(Name("QSL_SENT_VIA"), route) + ' ';
    }
    if (received) {
        // Each form says "confirmed" where its writer does.
        const char* field = options_.As == Form::Utf8Bytes ? "EQSL_QSL_RCVD"
                            : options_.As == Form::ShiftJis ? "LOTW_QSL_RCVD"
                                                            : "QSL_RCVD";
        out += Specifier(Name(field), "Y") + ' ';
    }
    return out;
}

QByteArray AdifFixtureWriter::Record(const HdbContact& c) const
{
    if (c.Deleted)
        return {};
    QDate date(c.Century * 100 + c.Year, c.Month, c.Day);
    int minutes = c.Hour * 60 + c.Minute;
    if (!c.Utc) {
        minutes -= 9 * 60;
        if (minutes < 0) {
            minutes += 24 * 60;
            date = date.addDays(-1);
        }
    }
    const QByteArray time = QByteArray::number(minutes / 60).rightJustified(2, '0') +
                            QByteArray::number(minutes % 60).rightJustified(2, '0') +
                            (options_.As == Form::WsjtX ? "00" : "");
    const bool lotw = options_.As == Form::Lotw;
    const QByteArray sep = lotw ? LineEnd() : QByteArray(" ");
    QByteArray record;
    auto add = [&](const char* name, const QByteArray& value) {
        if (!value.isEmpty())
            record += Specifier(Name(name), value) + sep;
    };
    add("CALL", c.Call.toLatin1());
    if (!lotw)
        add("GRIDSQUARE", c.Gl.toLatin1());
    QByteArray mode = c.Mode.toLatin1();
    if (mode == "FT4") {
        add("MODE", "MFSK");
        add("SUBMODE", mode);
    } else if (mode == "SSB" && options_.As == Form::LoggerExport) {
        add("MODE", mode);
        add("SUBMODE", c.Freq.toDouble() < 10 ? "LSB" : "USB");
    } else {
        add("MODE", mode);
    }
    if (!lotw) {
        add("RST_SENT", c.His.toLatin1());
        add("RST_RCVD", c.My.toLatin1());
    }
    add("QSO_DATE", date.toString(u"yyyyMMdd").toLatin1());
    add("TIME_ON", time);
    const QByteArray band = BandOf(c.Freq);
    add("BAND", lotw ? band.toUpper() : band);
    if (!lotw)
        add("FREQ", c.Freq.toLatin1());
    add("CNTY", c.Code.trimmed().toLatin1());
    record += Qsl(c.Qsl);
    record += Text("NAME", c.Name) + Text("QTH", c.Qth) + Text("COMMENT", c.Rmk1) +
              Text("NOTES", c.Rmk2);
    if (lotw)
        record += Specifier("APP_LoTW_MODEGROUP", "PHONE") + sep +
                  Specifier("APP_LoTW_RXQSO", "2024-05-30 11:00:00") + sep;
    return record + "<" + Name("EOR") + ">" + LineEnd() + (lotw ? LineEnd() : QByteArray());
}

QByteArray AdifFixtureWriter::File(const std::vector<HdbContact>& contacts) const
{
    QByteArray file = Header();
    for (const HdbContact& c : contacts)
        file += Record(c);
    return file + Trailer();
}

bool AdifFixtureWriter::WriteFile(const QString& path,
                                  const std::vector<HdbContact>& contacts) const
{
    QFile out(path);
    return out.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           out.write(File(contacts)) >= 0 && out.flush();
}
