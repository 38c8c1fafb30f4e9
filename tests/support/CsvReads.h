#pragma once

#include "CsvRecordSource.h"

#include <QFile>

#include <cstring>
#include <vector>

// Every field of every record of the export `text`, written to `path` and read
// `bufferSize` bytes at a time with or without the quick ways (a whole-file
// check at opening, plain lines taken at a glance, records tokenized ahead on
// a thread): in order, then some out of order, what the source still gives
// after a failed read, also one that rescans the file cut short, and after
// closing.
inline std::vector<QByteArray> CsvReads(const QString& path, const QByteArray& text,
                                        std::size_t bufferSize, bool fast)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size())
        return {"not written"};
    file.close();
    CsvRecordSource source(bufferSize, fast);
    source.SetFastLines(fast);
    source.SetQuickCheck(fast);
    std::vector<QByteArray> reads;
    const auto fields = [&](const char* what) {
        QByteArray all = what;
        for (qint16 field = 0; field < RecordSource::FieldCount; ++field) {
            char buffer[RecordSource::FieldBufferSize + 1];
            std::memset(buffer, ' ', sizeof buffer);
            source.ThwString(buffer, field);
            all += '|' + QByteArray(buffer).toHex();
            std::memset(buffer, ' ', sizeof buffer);
            all += '/' + source.FieldText(field, buffer).toByteArray().toHex();
        }
        reads.push_back(all);
    };
    reads.push_back(QByteArray::number(source.HamlogOpen(path)) + source.OpenError().toUtf8());
    qint32 count = 0;
    while (source.THW_read(count + 1) == 0) {
        ++count;
        fields("read");
    }
    fields("past the end");
    for (qint32 n : {count / 2, 1, count}) {
        if (n > 0 && source.THW_read(n) == 0)
            fields("again");
    }
    if (QFile::resize(path, text.size() / 2) && source.THW_read(count) != 0)
        fields("cut short");
    source.HamlogClose();
    fields("closed");
    return reads;
}
