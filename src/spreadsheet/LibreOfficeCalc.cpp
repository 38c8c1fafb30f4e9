#include "LibreOfficeCalc.h"

#include <QProcess>

LibreOfficeCalc::LibreOfficeCalc(QString program) : program_(std::move(program)) {}

QString LibreOfficeCalc::ImportOptions()
{
    // Separators 44 (comma) and 9 (tab), text delimiter 34 ("), character set 60
    // (MS_932), first line 1, then column/format pairs: 1 = Standard, 2 = Text.
    QStringList columns;
    for (int column = 1; column <= 11; ++column)
        columns << QStringLiteral("%1/%2").arg(column).arg(column == 4 ? 1 : 2);
    return QStringLiteral("44/9,34,60,1,") + columns.join(u'/');
}

QStringList LibreOfficeCalc::Arguments(const QString& path)
{
    return {QStringLiteral("--calc"),
            QStringLiteral("--infilter=Text - txt - csv (StarCalc):") + ImportOptions(), path};
}

Spreadsheet::Result LibreOfficeCalc::Open(const QString& path)
{
    QProcess process;
    process.setProgram(program_);
    process.setArguments(Arguments(path));
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    if (!process.startDetached())
        return {false, process.errorString()};
    return {true, {}};
}
