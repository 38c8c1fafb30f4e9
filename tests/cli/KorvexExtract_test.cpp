#include "CsvFixtureWriter.h"
#include "SampleContacts.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

struct Outcome {
    int exitCode = -1;
    QString standardError;
};

Outcome RunExtract(const QString& log, const QString& output)
{
    QProcess process;
    process.start(QStringLiteral(KORVEX_EXTRACT), {QStringLiteral("-o"), output, log});
    if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit)
        return {};
    return {process.exitCode(), QString::fromLocal8Bit(process.readAllStandardError())};
}

QByteArray Contents(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

} // namespace

TEST(KorvexExtract, ReadsACsvExportLikeTheDatabase)
{
    const std::vector<HdbContact> contacts = SampleContacts();
    QTemporaryDir dir;
    const QString hdb = dir.filePath(QStringLiteral("HAMLOG.HDB"));
    const QString csv = dir.filePath(QStringLiteral("HAMLOG.CSV"));
    ASSERT_TRUE(HdbFixtureWriter().WriteFile(hdb, contacts));
    ASSERT_TRUE(CsvFixtureWriter({false, false, false}).WriteFile(csv, contacts));

    EXPECT_EQ(RunExtract(hdb, dir.filePath(QStringLiteral("hdb.out"))).exitCode, 0);
    EXPECT_EQ(RunExtract(csv, dir.filePath(QStringLiteral("csv.out"))).exitCode, 0);
    const QByteArray fromHdb = Contents(dir.filePath(QStringLiteral("hdb.out")));
    EXPECT_EQ(fromHdb.count("\r\n"), 1 + SampleContactsSelected());
    EXPECT_EQ(Contents(dir.filePath(QStringLiteral("csv.out"))), fromHdb);
}

TEST(KorvexExtract, NamesTheLineAndReasonOfMalformedCsv)
{
    QTemporaryDir dir;
    const QString csv = dir.filePath(QStringLiteral("HAMLOG.CSV"));
    QFile file(csv);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("\"JA1ABC/2\",\"24/01/01\",\"12:00J\"\r\n\r\n\"JA2XYZ/3,24/01/01\r\n");
    file.close();
    const QString output = dir.filePath(QStringLiteral("out.csv"));

    const Outcome outcome = RunExtract(csv, output);
    EXPECT_EQ(outcome.exitCode, 1);
    EXPECT_TRUE(outcome.standardError.contains(QStringLiteral("HAMLOG Open 失敗")))
        << outcome.standardError.toStdString();
    const QString reason = csv + QStringLiteral(": line 3: a quoted item is not closed");
    EXPECT_TRUE(outcome.standardError.contains(reason)) << outcome.standardError.toStdString();
    EXPECT_FALSE(QFile::exists(output)) << "no extraction file is left behind";
}
