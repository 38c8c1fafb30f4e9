#include "ExtractionFileWriter.h"

#include "CodePage932.h"
#include "RecordClassification.h"

namespace {
constexpr qsizetype FlushThreshold = 64 * 1024;
}

ExtractionFileWriter::ExtractionFileWriter(QIODevice& device, CodePage932& codec)
    : device_(device), codec_(codec)
{
    pending_.reserve(FlushThreshold + 4096);
}

void ExtractionFileWriter::WriteHeader()
{
    static constexpr QStringView Header[] = {
        u"移動地", u"所属エリア", u"CALL", u"交信番号", u" 年月日",
        u"時刻 ",  u"バンド ",    u"モード", u"QSL",     u"Code",
    };
    bool first = true;
    for (QStringView item : Header) {
        if (!first)
            pending_.append(',');
        first = false;
        Text(item);
    }
    EndLine();
}

void ExtractionFileWriter::WriteRow(const ExtractionRow& row)
{
    Text(row.OperatingArea);
    pending_.append(',');
    Text(row.HomeArea);
    pending_.append(',');
    Text(row.Call);
    pending_.append(',');
    pending_.append(QByteArray::number(row.RecordNo));
    pending_.append(',');
    Text(row.Date, CenturyOf(row.Date));
    pending_.append(',');
    Text(row.Time);
    pending_.append(',');
    Text(row.Band);
    pending_.append(',');
    Text(row.Mode);
    pending_.append(',');
    Text(row.Qsl);
    pending_.append(',');
    Text(row.Code);
    EndLine();
}

void ExtractionFileWriter::Text(QStringView text, QLatin1StringView prefix)
{
    pending_.append('"');
    pending_.append(prefix.data(), prefix.size());
    const qsizetype start = pending_.size();
    codec_.AppendEncoded(text, pending_);
    // A quote byte is never the second byte of a code page 932 character, so
    // doubling it in the encoded bytes is safe.
    for (qsizetype i = start; i < pending_.size(); ++i) {
        if (pending_[i] == '"')
            pending_.insert(i++, '"');
    }
    pending_.append('"');
}

void ExtractionFileWriter::EndLine()
{
    pending_.append("\r\n");
    if (pending_.size() >= FlushThreshold)
        Flush();
}

bool ExtractionFileWriter::Flush()
{
    if (!failed_ && !pending_.isEmpty())
        failed_ = device_.write(pending_) != pending_.size();
    pending_.clear();
    return !failed_;
}
