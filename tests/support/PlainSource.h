#pragma once

#include "RecordSource.h"

// The four operations alone, so that the reader takes every field through
// ThwString and nothing of the source's own fast way to its fields.
class PlainSource final : public RecordSource {
public:
    explicit PlainSource(RecordSource& source) : source_(source) {}
    int HamlogOpen(const QString& path) override { return source_.HamlogOpen(path); }
    int THW_read(qint32 recordNo) override { return source_.THW_read(recordNo); }
    void ThwString(char* buffer, qint16 field) override { source_.ThwString(buffer, field); }
    void HamlogClose() override { source_.HamlogClose(); }

private:
    RecordSource& source_;
};
