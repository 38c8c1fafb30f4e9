#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include <iconv.h>

// Converts between Unicode and code page 932 (Windows Shift-JIS) through glibc's
// iconv. Text that is plain ASCII, nearly every byte of a log, skips iconv.
// Bytes that are not code page 932 decode to U+FFFD; characters the code page
// cannot hold encode as '?'. Not thread-safe: give each thread its own.
class CodePage932 {
public:
    CodePage932();
    ~CodePage932();
    CodePage932(const CodePage932&) = delete;
    CodePage932& operator=(const CodePage932&) = delete;

    // Replaces the content of `out`, reusing its storage when it can.
    void Decode(const char* bytes, qsizetype size, QString& out);
    QString Decode(QByteArrayView bytes);

    // Writes the encoding of `text` at `out`, which has room for 2 * text.size()
    // bytes (the most code page 932 needs), and returns the end of what it wrote.
    char* EncodeTo(QStringView text, char* out);
    QByteArray Encode(QStringView text);

private:
    void DecodeSlow(const char* bytes, qsizetype size, QString& out);
    char* EncodeSlow(QStringView text, char* out);

    iconv_t toUnicode_;
    iconv_t fromUnicode_;
};
