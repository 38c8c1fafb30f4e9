#include "LogFileSource.h"

#include "CsvFixtureWriter.h"
#include "TestFiles.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

TEST(LogFileSource, TheContentNotTheNameDecidesTheFormat)
{
    QTemporaryDir dir;
    const HdbContact contact{.Call = QStringLiteral("JA1ABC/2")};
    const QString hdb = dir.filePath(QStringLiteral("export.csv"));
    const QString csv = dir.filePath(QStringLiteral("HAMLOG.HDB"));
    ASSERT_TRUE(HdbFixtureWriter().WriteFile(hdb, {contact}));
    ASSERT_TRUE(CsvFixtureWriter().WriteFile(csv, {contact}));
    LogFileSource source;
    for (const QString& path : {hdb, csv}) {
        ASSERT_EQ(source.HamlogOpen(path), 0) << qPrintable(source.OpenError());
        ASSERT_EQ(source.THW_read(1), 0);
        char buffer[RecordSource::FieldBufferSize + 1];
        source.ThwString(buffer, 0);
        EXPECT_STREQ(buffer, "JA1ABC/2");
    }
    // A database whose header is damaged is reported as a database, not as text.
    ASSERT_TRUE(WriteAll(hdb, HdbFixtureWriter().File({contact}).replace(32, 5, "XXXXX")));
    EXPECT_NE(source.HamlogOpen(hdb), 0);
    EXPECT_EQ(source.OpenError(), QStringLiteral("no CALLS field"));
    EXPECT_NE(source.THW_read(1), 0);
    EXPECT_NE(source.HamlogOpen(dir.filePath(QStringLiteral("missing"))), 0);
    EXPECT_FALSE(source.OpenError().isEmpty());
}
