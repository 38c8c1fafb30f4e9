#include "CsvFixtureWriter.h"

#include "CodePage932.h"

#include <QFile>

CsvFixtureWriter::CsvFixtureWriter(Options options)
    : options_(options), codec_(std::make_unique<CodePage932>())
{
}

CsvFixtureWriter::CsvFixtureWriter() : CsvFixtureWriter(Options{}) {}

CsvFixtureWriter::~CsvFixtureWriter() = default;

void CsvFixtureWriter::AppendItem(QByteArray& line, const QByteArray& item) const
{
    const bool quote = options_.Quoted || item.contains(',') || item.contains('"') ||
                       item.contains('\r') || item.contains('\n') ||
                       (options_.QuoteSpaces && item.contains(' '));
    if (!quote) {
        line += item;
        return;
    }
    line += '"';
    line += QByteArray(item).replace("\"", "\"\"");
    line += '"';
}

QByteArray CsvFixtureWriter::Joined(const QList<QByteArray>& items) const
{
    QByteArray line;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (i > 0)
            line += ',';
        AppendItem(line, items[i]);
    }
    if (options_.TrailingComma)
        line += ',';
    return line + (options_.CrLf ? "\r\n" : "\n");
}

QByteArray CsvFixtureWriter::HeaderLine() const
{
    QList<QByteArray> names{"Call", "Date", "Time", "His",  "My",   "Freq",     "Mode",    "Code",
                            "GL",   "QSL",  "Name", "QTH",  "Remarks1", "Remarks2", "Flag"};
    if (options_.RecordNumbers)
        names.prepend("No");
    return Joined(names);
}

QByteArray CsvFixtureWriter::Line(const HdbContact& c, qint64 recordNumber) const
{
    if (c.Deleted)
        return {};
    const auto two = [](int value) { return QByteArray::number(value).rightJustified(2, '0'); };
    const auto text = [this](const QString& value) { return codec_->Encode(value); };
    QByteArray qsl = c.Qsl;
    while (!options_.QslAsStored && qsl.endsWith(' '))
        qsl.chop(1);
    const char separator = options_.FourDigitYear ? options_.DateSeparator : '/';
    const QByteArray date = (options_.FourDigitYear ? two(c.Century) : QByteArray()) +
                            two(c.Year) + separator + two(c.Month) + separator + two(c.Day);

    QList<QByteArray> items{
        text(c.Call), date, two(c.Hour) + ':' + two(c.Minute) + (c.Utc ? 'U' : 'J'),
        text(c.His),  text(c.My),   text(c.Freq), text(c.Mode),  text(c.Code), text(c.Gl), qsl,
        text(c.Name), text(c.Qth),  text(c.Rmk1), text(c.Rmk2),  QByteArray::number(c.Flag)};
    if (options_.RecordNumbers)
        items.prepend(QByteArray::number(recordNumber));
    return Joined(items);
}

QByteArray CsvFixtureWriter::File(const std::vector<HdbContact>& contacts) const
{
    QByteArray file = options_.Header ? HeaderLine() : QByteArray();
    for (std::size_t i = 0; i < contacts.size(); ++i)
        file += Line(contacts[i], static_cast<qint64>(i) + 1);
    if (!options_.FinalLineEnd)
        file.chop(options_.CrLf ? 2 : 1);
    return file;
}

bool CsvFixtureWriter::WriteFile(const QString& path,
                                 const std::vector<HdbContact>& contacts) const
{
    QFile out(path);
    return out.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           out.write(File(contacts)) >= 0 && out.flush();
}
