#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QIODevice>
#include <QLatin1StringView>
#include <QStringView>

class CodePage932;

// One selected contact as it goes into the extraction file.
struct ExtractionRow {
    QStringView OperatingArea;
    QStringView HomeArea;
    QStringView Call;
    qint32 RecordNo = 0;
    QStringView Date; // without its century
    QStringView Time;
    QStringView Band;
    QStringView Mode;
    QStringView Qsl;
    QStringView Code;
};

// The same row when every text the log gave is ASCII: those items are the
// log's own bytes, written without decoding and encoding them again.
struct ExtractionAsciiRow {
    QLatin1StringView OperatingArea;
    QLatin1StringView HomeArea;
    QByteArrayView Call;
    qint32 RecordNo = 0;
    QLatin1StringView Century;
    QByteArrayView Date;
    QByteArrayView Time;
    QStringView Band;
    QByteArrayView Mode;
    QByteArrayView Qsl;
    QByteArrayView Code;
};

// Writes the extraction file: code page 932, CR LF, ten comma-separated items a
// line, text items in double quotes (a quote inside doubled), the contact
// number bare. Rows are gathered and written in large pieces.
class ExtractionFileWriter {
public:
    ExtractionFileWriter(QIODevice& device, CodePage932& codec);

    void WriteHeader();
    void WriteRow(const ExtractionRow& row);
    void WriteRow(const ExtractionAsciiRow& row);
    // Writes out what is gathered. False once any write has failed.
    bool Flush();
    // Forgets what is gathered and not yet written.
    void Discard() { used_ = 0; }
    bool Failed() const { return failed_; }

private:
    // Room for `bytes` more at the end of what is gathered, flushing first when
    // needed; returns where to write.
    char* Room(qsizetype bytes)
    {
        // Inline: once a row. The buffer is never shared, so data() copies nothing.
        return used_ + bytes <= pending_.size() ? pending_.data() + used_ : MakeRoom(bytes);
    }
    char* MakeRoom(qsizetype bytes);
    char* Text(char* p, QStringView text, QLatin1StringView prefix = {});
    static char* Bytes(char* p, QByteArrayView bytes, QLatin1StringView prefix = {});
    static char* Number(char* p, qint32 value);

    QIODevice& device_;
    CodePage932& codec_;
    QByteArray pending_; // a fixed buffer; the first used_ bytes are gathered rows
    qsizetype used_ = 0;
    bool failed_ = false;
};
