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
                       item.contains('\r') || item.contains('\n');
    if (!quote) {
        line += item;
        return;
    }
    line += '"';
    line += QByteArray(item).replace("\"", "\"\"");
    line += '"';
}

QByteArray CsvFixtureWriter::Line(const HdbContact& c) const
{
    if (c.Deleted)
        return {};
    const auto two = [](int value) { return QByteArray::number(value).rightJustified(2, '0'); };
    const auto text = [this](const QString& value) { return codec_->Encode(value); };
    QByteArray qsl = c.Qsl;
    while (qsl.endsWith(' '))
        qsl.chop(1);

    QByteArray line;
    bool first = true;
    for (const QByteArray& item :
         {text(c.Call), two(c.Year) + '/' + two(c.Month) + '/' + two(c.Day),
          two(c.Hour) + ':' + two(c.Minute) + (c.Utc ? 'U' : 'J'), text(c.His), text(c.My),
          text(c.Freq), text(c.Mode), text(c.Code), text(c.Gl), qsl, text(c.Name), text(c.Qth),
          text(c.Rmk1), text(c.Rmk2), QByteArray::number(c.Flag)}) {
        if (!first)
            line += ',';
        first = false;
        AppendItem(line, item);
    }
    return line + (options_.CrLf ? "\r\n" : "\n");
}

QByteArray CsvFixtureWriter::File(const std::vector<HdbContact>& contacts) const
{
    QByteArray file;
    for (const HdbContact& c : contacts)
        file += Line(c);
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
