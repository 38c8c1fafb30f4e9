// Runs the real LibreOffice on an extraction file from the project's own writer,
// with the launcher's import options, and reads the sheet back as CSV that quotes
// text cells and leaves numbers bare. LibreOffice must be installed.

#include "CodePage932.h"
#include "ExtractionFileWriter.h"
#include "LibreOfficeCalc.h"
#include "TestFiles.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

TEST(LibreOfficeCalcImport, KeepsEveryItemInItsColumnAsTextButTheContactNumber)
{
    QTemporaryDir dir;
    CodePage932 codec;
    // A run that selects nothing leaves the header alone.
    QFile headerOnly(dir.filePath(u"HEADER.tmp"_s));
    ASSERT_TRUE(headerOnly.open(QIODevice::WriteOnly));
    ExtractionFileWriter header(headerOnly, codec);
    header.WriteHeader();
    ASSERT_TRUE(header.Flush());
    headerOnly.close();
    // The program's own name for it: the filter, not the extension, makes it CSV.
    QFile file(dir.filePath(u"KORVEX.tmp"_s));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ExtractionFileWriter writer(file, codec);
    writer.WriteHeader();
    // What a Standard column would turn into a formula, numbers, a date or a time.
    writer.WriteRow({u"1", u"0", u"=1+1", 7, u"24/01/05", u"09:05", u"1.9", u"1E3", u"0", u"0012"});
    // Empty items, delimiters, quotes and a line break in items, characters only code
    // page 932 has.
    writer.WriteRow({u"局", u"", u"JR1,Q/4", 345678, u"99/12/31", u"", u"L1\r\nL2", u"A,B\t\"C\"",
                     u"髙", u"∥－①"});
    ASSERT_TRUE(writer.Flush());
    // Not the writer's: a tab splits, two commas leave an empty cell.
    file.write("\"a\"\t\"b\",,\"c\"\r\n");
    file.close();

    const QString soffice = QStandardPaths::findExecutable(u"soffice"_s);
    ASSERT_FALSE(soffice.isEmpty()) << "LibreOffice Calc must be installed for this test";
    QProcess process;
    // The users' locale: there a Standard column reads "2024/01/05" as a date.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"LC_ALL"_s, u"ja_JP.UTF-8"_s);
    environment.insert(u"LANG"_s, u"ja_JP.UTF-8"_s);
    process.setProcessEnvironment(environment);
    process.start(soffice, {u"--headless"_s, u"--norestore"_s,
                            u"-env:UserInstallation="_s +
                                QUrl::fromLocalFile(dir.filePath(u"profile"_s)).toString(),
                            LibreOfficeCalc::InFilterArgument(), u"--convert-to"_s,
                            u"csv:Text - txt - csv (StarCalc):44,34,76,1,,0,true"_s,
                            u"--outdir"_s, dir.filePath(u"out"_s), file.fileName(),
                            headerOnly.fileName()});
    // A guard against a hung application, not a measure of speed.
    ASSERT_TRUE(process.waitForFinished(5 * 60 * 1000));
    const std::string headerLine =
        R"("移動地","所属エリア","CALL","交信番号"," 年月日","時刻 ","バンド ","モード","QSL","Code")" "\n";
    EXPECT_EQ(ReadAll(dir.filePath(u"out/HEADER.csv"_s)).toStdString(), headerLine)
        << process.readAllStandardError().constData();
    EXPECT_EQ(ReadAll(dir.filePath(u"out/KORVEX.csv"_s)).toStdString(),
              headerLine +
                  R"("1","0","=1+1",7,"2024/01/05","09:05","1.9","1E3","0","0012")" "\n"
                  R"("局",,"JR1,Q/4",345678,"1999/12/31",,"L1)" "\nL2" R"(","A,B)" "\t"
                  R"(""C""","髙","∥－①")" "\n"
                  R"("a","b",,"c",,,,,,)" "\n")
        << process.readAllStandardError().constData();
}
