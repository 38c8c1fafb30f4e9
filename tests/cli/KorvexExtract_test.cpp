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

} // namespace

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
