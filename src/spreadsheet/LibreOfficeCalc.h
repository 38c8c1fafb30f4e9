#pragma once

#include "Spreadsheet.h"

#include <QString>

// LibreOffice Calc, started as its own detached process with the CSV import
// options on its command line, so no import dialog asks the user anything.
class LibreOfficeCalc final : public Spreadsheet {
public:
    // `program` is looked up on PATH unless it holds a slash.
    explicit LibreOfficeCalc(QString program = QStringLiteral("soffice"));

    Result Open(const QString& path) override;

    // The CSV import options: comma and tab delimiters, not merged; double quote
    // as text qualifier; code page 932; from line 1; column 4 Standard and
    // every other column Text.
    static QString ImportOptions();
    // The command-line argument that makes LibreOffice import a file as CSV
    // with ImportOptions().
    static QString InFilterArgument();

private:
    QString program_;
};
