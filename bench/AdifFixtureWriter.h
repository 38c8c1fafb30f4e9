#pragma once

#include "HdbFixtureWriter.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

class CodePage932;

// Writes contacts as ADIF (.adi) in the forms loggers and confirmation services
// write it, for tests and the benchmark. Japan times become UTC (nine hours
// back); a contact logged in UTC keeps its time. Deleted contacts are left out.
class AdifFixtureWriter {
public:
    enum class Form {
        WsjtX,        // wsjtx_log.adi: no header, lower-case names, a record a line, no QSL
        LoggerExport, // header; text beyond ASCII in _INTL fields, lengths in characters
        Utf8Bytes,    // header; UTF-8 in the plain fields, lengths in bytes
        ShiftJis,     // header; Shift-JIS text, lengths in bytes (Japanese Windows loggers)
        Lotw,         // an LoTW download: its header, BAND without FREQ, its end marker
    };
    struct Options {
        Form As = Form::LoggerExport;
        bool CrLf = true;
    };

    explicit AdifFixtureWriter(Options options);
    AdifFixtureWriter();
    ~AdifFixtureWriter();

    QByteArray Header() const;
    QByteArray Record(const HdbContact& contact) const; // empty for a deleted contact
    QByteArray Trailer() const;
    QByteArray File(const std::vector<HdbContact>& contacts) const;
    bool WriteFile(const QString& path, const std::vector<HdbContact>& contacts) const;

    // "<NAME:length>value" with the length counted as given.
    static QByteArray Specifier(const QByteArray& name, const QByteArray& value, qsizetype length);
    static QByteArray Specifier(const QByteArray& name, const QByteArray& value)
    {
        return Specifier(name, value, value.size());
    }

private:
    QByteArray Name(const char* name) const;
    QByteArray Text(const char* name, const QString& value) const;
    QByteArray Qsl(const QByteArray& marks) const;
    QByteArray LineEnd() const { return options_.CrLf ? "\r\n" : "\n"; }

    Options options_;
    std::unique_ptr<CodePage932> codec_;
};
