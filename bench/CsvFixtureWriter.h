#pragma once

#include "HdbFixtureWriter.h"

#include <QByteArray>
#include <QString>

#include <memory>
#include <vector>

class CodePage932;

// Writes contacts as the HAMLOG CSV export, for tests and the benchmark. An
// export holds live records only, so deleted contacts are left out; QSL marks
// are written without trailing spaces, as the logging program does.
class CsvFixtureWriter {
public:
    struct Options {
        bool Quoted = true;       // every item in quotes; else quotes only where needed
        bool CrLf = true;         // CR LF line ends; else LF
        bool FinalLineEnd = true; // the last line ends with a line end
        // As contest loggers write it: items with a space quoted too, the QSL
        // marks as stored ("J  "), a comma after the last item.
        bool QuoteSpaces = false;
        bool QslAsStored = false;
        bool TrailingComma = false;
        // The date with its century, "yyyy" + DateSeparator + "mm" + ... .
        bool FourDigitYear = false;
        char DateSeparator = '/';
        // HAMLOG's record number in front of each line: the contact's place in the
        // list written, from 1, so contacts left out (deleted) leave gaps.
        bool RecordNumbers = false;
        bool Header = false; // a first line of column names
    };

    explicit CsvFixtureWriter(Options options);
    CsvFixtureWriter();
    ~CsvFixtureWriter();

    // One line, its line end included; empty for a deleted contact.
    QByteArray Line(const HdbContact& contact, qint64 recordNumber = 1) const;
    // The column names, as a line.
    QByteArray HeaderLine() const;
    QByteArray File(const std::vector<HdbContact>& contacts) const;
    bool WriteFile(const QString& path, const std::vector<HdbContact>& contacts) const;

private:
    void AppendItem(QByteArray& line, const QByteArray& item) const;
    QByteArray Joined(const QList<QByteArray>& items) const;

    Options options_;
    std::unique_ptr<CodePage932> codec_;
};
