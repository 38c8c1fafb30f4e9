#pragma once

#include "Spreadsheet.h"

#include <QStringList>

// LibreOffice Calc, started as its own detached process with the CSV import
// options on its command line.
class LibreOfficeCalc final : public Spreadsheet {
public:
    explicit LibreOfficeCalc(QString program = QStringLiteral("soffice"));

    Result Open(const QString& path) override;

    // The CSV import options: comma and tab delimiters, double quote as text
    // qualifier, code page 932, from line 1, column 4 Standard and every
    // other column Text.
    static QString ImportOptions();
    // The whole argument list that opens `path` with those options.
    static QStringList Arguments(const QString& path);

private:
    QString program_;
};
