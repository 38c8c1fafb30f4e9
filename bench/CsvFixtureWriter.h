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
    };

    explicit CsvFixtureWriter(Options options);
    CsvFixtureWriter();
    ~CsvFixtureWriter();

    // One line, its line end included; empty for a deleted contact.
    QByteArray Line(const HdbContact& contact) const;
    QByteArray File(const std::vector<HdbContact>& contacts) const;
    bool WriteFile(const QString& path, const std::vector<HdbContact>& contacts) const;

private:
    void AppendItem(QByteArray& line, const QByteArray& item) const;

    Options options_;
    std::unique_ptr<CodePage932> codec_;
};
