#pragma once

#include "CodePage932.h"

#include <QIODevice>

// Passes code page 932 text on to another device as UTF-8, for the many tools
// that read nothing else. A double-byte character split between two writes is
// held back until its second byte comes.
class Utf8Recoder final : public QIODevice {
public:
    explicit Utf8Recoder(QIODevice& target);
    ~Utf8Recoder() override;

    bool isSequential() const override { return true; }
    // A lead byte still held back has no character to finish: it goes out as
    // U+FFFD, so nothing written is dropped without a trace.
    void close() override;

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    bool Pass(const QByteArray& bytes);

    QIODevice& target_;
    CodePage932 codec_;
    QByteArray held_;
};
