#include "LibreOfficeCalc.h"
#include "StandInSpreadsheet.h"

#include <QCoreApplication>
#include <QDir>

#include <gtest/gtest.h>

TEST(LibreOfficeCalc, StartsTheApplicationDetachedOnTheAbsolutePath)
{
    QTemporaryDir dir;
    // A relative name that looks like an option must still arrive as the file.
    const QString name = QStringLiteral("-KORVEX.tmp");
    ASSERT_TRUE(WriteAll(dir.filePath(name), "\"CALL\"\r\n"));
    const StandInSpreadsheet standIn;
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));
    const Spreadsheet::Result result = LibreOfficeCalc(standIn.Program()).Open(name);
    QDir::setCurrent(previous);

    ASSERT_TRUE(result.Started) << qPrintable(result.Error);
    EXPECT_FALSE(standIn.HasEnded()) << "Open waited for the application";
    ASSERT_TRUE(standIn.WaitUntilStarted());
    EXPECT_EQ(standIn.Arguments(), QStringList({QStringLiteral("-n"),
                                                LibreOfficeCalc::InFilterArgument(),
                                                dir.filePath(name)}));
    EXPECT_NE(standIn.Parent(), QCoreApplication::applicationPid()) << "not detached";
}
