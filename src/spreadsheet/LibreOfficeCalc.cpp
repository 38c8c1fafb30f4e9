#include "LibreOfficeCalc.h"

#include <QFileInfo>
#include <QProcess>

LibreOfficeCalc::LibreOfficeCalc(QString program) : program_(std::move(program)) {}

QString LibreOfficeCalc::ImportOptions()
{
    // Field separators 44 (comma) and 9 (tab), with no MRG token, so two in a
    // row give an empty cell; text qualifier 34 ("); character set 60 (MS_932);
    // first line 1; then column/type pairs, 1 = Standard and 2 = Text. The
    // file has ten columns; the eleventh pair keeps a stray item text too.
    return QStringLiteral("44/9,34,60,1,1/2/2/2/3/2/4/1/5/2/6/2/7/2/8/2/9/2/10/2/11/2");
}

QString LibreOfficeCalc::InFilterArgument()
{
    return QStringLiteral("--infilter=Text - txt - csv (StarCalc):") + ImportOptions();
}

Spreadsheet::Result LibreOfficeCalc::Open(const QString& path)
{
    QProcess process;
    process.setProgram(program_);
    // "-n" loads the file as a template: always a new "Untitled" window. Opened
    // plainly, LibreOffice would put it in place of an unmodified new document
    // the user has open. An absolute path cannot be taken for an option.
    process.setArguments(
        {QStringLiteral("-n"), InFilterArgument(), QFileInfo(path).absoluteFilePath()});
    // The application outlives us; it must not hold our terminal or pipes.
    process.setStandardInputFile(QProcess::nullDevice());
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    // Qt's text carries the system's reason; the name tells which program.
    if (!process.startDetached())
        return {false, program_ + QStringLiteral(": ") + process.errorString()};
    return {true, {}};
}
