#pragma once

#include "RecordSource.h"
#include "TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <vector>

using FieldRecord = std::array<QByteArray, RecordSource::FieldCount>;

// What ThwString writes for `field` before its zero byte; a source must write
// that zero byte within the buffer and, unless `pastZero`, nothing after it.
inline QByteArray FieldBytes(RecordSource& source, qint16 field, bool pastZero = false)
{
    char buffer[RecordSource::FieldBufferSize + 1];
    std::memset(buffer, 0x7F, sizeof buffer);
    source.ThwString(buffer, field);
    const std::size_t size = qstrnlen(buffer, sizeof buffer);
    EXPECT_LT(size, sizeof buffer) << "field " << field << " has no zero byte";
    EXPECT_TRUE(pastZero || std::all_of(buffer + std::min(size + 1, sizeof buffer),
                                        std::end(buffer), [](char c) { return c == 0x7F; }))
        << "field " << field << " wrote past its zero byte";
    return QByteArray(buffer, static_cast<qsizetype>(size));
}

inline FieldRecord RecordFields(RecordSource& source)
{
    FieldRecord record;
    for (qint16 field = 0; field < RecordSource::FieldCount; ++field)
        record[field] = FieldBytes(source, field);
    return record;
}

// Every record of the log at `path`, in order.
inline std::vector<FieldRecord> ReadRecords(RecordSource& source, const QString& path)
{
    std::vector<FieldRecord> records;
    EXPECT_EQ(source.HamlogOpen(path), 0) << qPrintable(source.OpenError());
    for (qint32 n = 1; source.THW_read(n) == 0; ++n)
        records.push_back(RecordFields(source));
    return records;
}

// `bytes` as a log file of its own, and a source built from `args` to read it.
template <typename Source> struct LogOnDisk {
    template <typename... Args>
    explicit LogOnDisk(const QByteArray& bytes, Args... args) : source(args...)
    {
        EXPECT_TRUE(WriteAll(path, bytes));
    }
    std::vector<FieldRecord> Records() { return ReadRecords(source, path); }

    QTemporaryDir dir;
    QString path = dir.filePath(QStringLiteral("log"));
    Source source;
};
