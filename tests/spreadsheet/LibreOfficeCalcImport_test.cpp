// Runs the real LibreOffice on extraction files written by the project's own
// writer, with the import options the launcher hands over, and reads back the
// cells it made. LibreOffice must be installed: a missing one fails the test.

#include "CodePage932.h"
#include "ExtractionFileWriter.h"
#include "FlatOdsSheet.h"
#include "LibreOfficeCalc.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

const QStringList Header{
    QStringLiteral("移動地"),   QStringLiteral("所属エリア"), QStringLiteral("CALL"),
    QStringLiteral("交信番号"), QStringLiteral(" 年月日"),    QStringLiteral("時刻 "),
    QStringLiteral("バンド "),  QStringLiteral("モード"),     QStringLiteral("QSL"),
    QStringLiteral("Code"),
};
constexpr int ContactNumberColumn = 4;

// The row's ten items as the sheet should show them; the date with its century.
struct Row {
    QString OperatingArea, HomeArea, Call;
    qint32 RecordNo;
    QString Date, Time, Band, Mode, Qsl, Code;

    QStringList TextItems() const
    {
        return {OperatingArea, HomeArea, Call, Date, Time, Band, Mode, Qsl, Code};
    }
};

bool WriteExtractionFile(const QString& path, const std::vector<Row>& rows,
                         const QByteArray& rawTail = {})
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    CodePage932 codec;
    ExtractionFileWriter writer(file, codec);
    writer.WriteHeader();
    for (const Row& row : rows) {
        // The writer puts the century in front of the log's two-digit year.
        const QStringView date = QStringView(row.Date).sliced(2);
        writer.WriteRow({row.OperatingArea, row.HomeArea, row.Call, row.RecordNo, date, row.Time,
                         row.Band, row.Mode, row.Qsl, row.Code});
    }
    return writer.Flush() && file.write(rawTail) == rawTail.size();
}

// Imports `extraction` in a headless LibreOffice with a profile of its own and
// reads the sheet it made.
FlatOdsSheet Import(const QTemporaryDir& dir, const QString& extraction)
{
    FlatOdsSheet sheet;
    const QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) {
        ADD_FAILURE() << "soffice not found: LibreOffice Calc must be installed for this test";
        return sheet;
    }
    const QString outDir = dir.filePath(QStringLiteral("converted"));
    QProcess process;
    process.setWorkingDirectory(dir.path());
    // The users' locale: there a Standard column reads "2024/01/05" as a date.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("ja_JP.UTF-8"));
    environment.insert(QStringLiteral("LANG"), QStringLiteral("ja_JP.UTF-8"));
    process.setProcessEnvironment(environment);
    process.start(soffice,
                  {QStringLiteral("--headless"), QStringLiteral("--norestore"),
                   QStringLiteral("-env:UserInstallation=") +
                       QUrl::fromLocalFile(dir.filePath(QStringLiteral("profile"))).toString(),
                   LibreOfficeCalc::InFilterArgument(), QStringLiteral("--convert-to"),
                   QStringLiteral("fods"), QStringLiteral("--outdir"), outDir, extraction});
    // A guard against a hung application, not a measure of speed.
    const bool finished = process.waitForStarted() && process.waitForFinished(5 * 60 * 1000);
    if (!finished)
        process.kill();
    const QString log =
        QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
    EXPECT_TRUE(finished && process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0)
        << log.toStdString();
    const QString converted =
        QDir(outDir).filePath(QFileInfo(extraction).completeBaseName() + QStringLiteral(".fods"));
    EXPECT_TRUE(sheet.Read(converted)) << sheet.Error().toStdString() << "\n" << log.toStdString();
    return sheet;
}

void ExpectText(const FlatOdsSheet& sheet, qsizetype row, qsizetype column, const QString& text)
{
    const OdsCell cell = sheet.Cell(row, column);
    if (text.isEmpty()) {
        EXPECT_TRUE(cell.Type.isEmpty() && cell.Text.isEmpty())
            << "row " << row << " column " << column << " should be empty, holds "
            << cell.Type.toStdString() << " " << cell.Text.toStdString();
        return;
    }
    EXPECT_EQ(cell.Type, QStringLiteral("string")) << "row " << row << " column " << column;
    EXPECT_EQ(cell.Text, text) << "row " << row << " column " << column;
}

void ExpectHeader(const FlatOdsSheet& sheet)
{
    for (qsizetype column = 1; column <= Header.size(); ++column)
        ExpectText(sheet, 1, column, Header[column - 1]);
}

// Every item in its own column: the nine text items as text, the contact
// number as a number, and nothing beyond the tenth column.
void ExpectRow(const FlatOdsSheet& sheet, qsizetype sheetRow, const Row& row)
{
    const QStringList texts = row.TextItems();
    for (qsizetype column = 1, item = 0; column <= 10; ++column) {
        if (column == ContactNumberColumn)
            continue;
        ExpectText(sheet, sheetRow, column, texts[item++]);
    }
    const OdsCell number = sheet.Cell(sheetRow, ContactNumberColumn);
    EXPECT_EQ(number.Type, QStringLiteral("float")) << "row " << sheetRow;
    EXPECT_EQ(number.Value, QString::number(row.RecordNo)) << "row " << sheetRow;
    EXPECT_LE(sheet.ColumnCount(sheetRow), 10) << "row " << sheetRow;
}

} // namespace

TEST(LibreOfficeCalcImport, KeepsEveryItemInItsColumnWithItsType)
{
    const std::vector<Row> rows{
        // What a Standard column would turn into numbers, dates, times or a formula.
        {"1", "0", "=1+1", 7, "2024/01/05", "09:05", "1.9", "1E3", "0", "0012"},
        {"2", "7", "JA7XYZ/2", 12, "1999/12/31", "23:59J", "430", "CW", "J", "100110"},
        // Empty items, the last one too.
        {"3", "", "JA1AAA/3", 345678, "2001/02/03", "12:00J", "", "FM", "", ""},
        // Delimiters and quotes inside quoted items.
        {"4", "1", "JR1,Q/4", 9, "2010/10/10", "00:00J", "7", "A,B\t\"C\"", "\t", "\"0012\""},
        // Japanese, with characters only code page 932 (not JIS X 0208) has.
        {"５", "局", "JA1ＡＢＣ/5", 10, "2011/11/11", "11:11J", "144", "ＳＳＢ～①", "髙", "∥－"},
    };
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // The name the program gives it: the filter, not the extension, makes it CSV.
    const QString extraction = dir.filePath(QStringLiteral("KORVEX.tmp"));
    // Not the writer's: it never leaves a tab unquoted or two commas in a row,
    // but the delimiter settings must hold for such a line too.
    const QByteArray delimiterLine = "\"a\"\t\"b\",,\"c\"\r\n";
    ASSERT_TRUE(WriteExtractionFile(extraction, rows, delimiterLine));

    const FlatOdsSheet sheet = Import(dir, extraction);

    const qsizetype delimiterRow = 2 + static_cast<qsizetype>(rows.size());
    ASSERT_EQ(sheet.RowCount(), delimiterRow);
    {
        SCOPED_TRACE("header: all text, column 4 too");
        ExpectHeader(sheet);
    }
    for (std::size_t i = 0; i < rows.size(); ++i) {
        SCOPED_TRACE("row " + std::to_string(i + 2));
        ExpectRow(sheet, static_cast<qsizetype>(i) + 2, rows[i]);
    }
    {
        SCOPED_TRACE("a tab splits; two commas leave an empty cell");
        ExpectText(sheet, delimiterRow, 1, QStringLiteral("a"));
        ExpectText(sheet, delimiterRow, 2, QStringLiteral("b"));
        ExpectText(sheet, delimiterRow, 3, QString());
        ExpectText(sheet, delimiterRow, 4, QStringLiteral("c"));
        EXPECT_EQ(sheet.ColumnCount(delimiterRow), 4);
    }
}

TEST(LibreOfficeCalcImport, HeaderOnlyFileGivesOneRow)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString extraction = dir.filePath(QStringLiteral("KORVEX.tmp"));
    ASSERT_TRUE(WriteExtractionFile(extraction, {}));

    const FlatOdsSheet sheet = Import(dir, extraction);

    EXPECT_EQ(sheet.RowCount(), 1);
    ExpectHeader(sheet);
}
