#include "LogFileSource.h"

#include "AdifFixtureWriter.h"
#include "CsvFixtureWriter.h"
#include "SourceFields.h"

#include <QThread>

#include <atomic>
#include <csignal>
#include <thread>

#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

const HdbContact Portable{.Call = u"JA1ABC/2"_s, .Freq = u"430.00"_s};

// The first fields of every record, or nothing when the file is refused.
std::optional<QList<QByteArray>> Calls(const QString& path)
{
    LogFileSource source;
    if (source.HamlogOpen(path) != 0) {
        EXPECT_FALSE(source.OpenError().isEmpty());
        EXPECT_NE(source.THW_read(1), 0);
        return std::nullopt;
    }
    QList<QByteArray> calls;
    for (qint32 n = 1; source.THW_read(n) == 0; ++n)
        calls << FieldBytes(source, 0);
    return calls;
}

} // namespace

TEST(LogFileSource, TheContentNotTheNameDecidesTheFormat)
{
    QTemporaryDir dir;
    const HdbContact contact{.Call = u"JA1ABC/2"_s};
    // Each under a name that suggests another format; ADIF is tried before CSV.
    const std::pair<QString, QByteArray> logs[] = {
        {u"export.csv"_s, HdbFixtureWriter().File({contact})},
        {u"HAMLOG.HDB"_s, CsvFixtureWriter().File({contact})},
        {u"log.adi"_s, CsvFixtureWriter().File({contact})},
        {u"HAMLOG.CSV"_s, AdifFixtureWriter().File({contact})},
        {u"log.txt"_s, "\r\n " + AdifFixtureWriter({.As = AdifFixtureWriter::Form::WsjtX})
                                     .File({contact})}};
    LogFileSource source;
    for (const auto& [name, bytes] : logs) {
        ASSERT_TRUE(WriteAll(dir.filePath(name), bytes));
        ASSERT_EQ(source.HamlogOpen(dir.filePath(name)), 0) << qPrintable(source.OpenError());
        ASSERT_EQ(source.THW_read(1), 0);
        EXPECT_EQ(FieldBytes(source, 0), "JA1ABC/2") << qPrintable(name);
        // Each read by its own reader: ADIF's UTC is Japan time again.
        EXPECT_EQ(FieldBytes(source, 3), "12:00J") << qPrintable(name);
    }
    const QString hdb = dir.filePath(u"export.csv"_s);
    // A database whose header is damaged is reported as a database, not as text.
    ASSERT_TRUE(WriteAll(hdb, HdbFixtureWriter().File({contact}).replace(32, 5, "XXXXX")));
    EXPECT_NE(source.HamlogOpen(hdb), 0);
    EXPECT_EQ(source.OpenError(), QStringLiteral("no CALLS field"));
    EXPECT_NE(source.THW_read(1), 0);
    EXPECT_NE(source.HamlogOpen(dir.filePath(QStringLiteral("missing"))), 0);
    EXPECT_FALSE(source.OpenError().isEmpty());
}

// The name is swapped between a log and a named pipe as fast as the system can;
// an open that checked the name first and opened it after would wait for a
// writer that never comes. The child process runs the opens, so that the test
// can give up on it.
TEST(LogFileSource, APipeSwappedInForTheLogNeverHoldsTheOpen)
{
    QTemporaryDir dir;
    const QByteArray log = QFile::encodeName(dir.filePath(QStringLiteral("HAMLOG.HDB")));
    const QByteArray pipe = QFile::encodeName(dir.filePath(QStringLiteral("pipe")));
    ASSERT_TRUE(HdbFixtureWriter().WriteFile(QFile::decodeName(log), {{}}));
    ASSERT_EQ(::mkfifo(pipe.constData(), 0600), 0);

    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        std::atomic<bool> done = false;
        std::thread swapper([&] {
            while (!done)
                ::renameat2(AT_FDCWD, log.constData(), AT_FDCWD, pipe.constData(), RENAME_EXCHANGE);
        });
        LogFileSource source;
        int unexpected = 0;
        for (int i = 0; i < 20000; ++i) {
            if (source.HamlogOpen(QFile::decodeName(log)) != 0 &&
                source.OpenError() != QStringLiteral("not a regular file"))
                ++unexpected;
        }
        done = true;
        swapper.join();
        std::_Exit(unexpected == 0 ? 0 : 1);
    }
    int status = -1;
    // A bound on a hang, not a measure: the opens take well under a second.
    for (int i = 0; i < 1200 && ::waitpid(child, &status, WNOHANG) == 0; ++i)
        QThread::msleep(100);
    if (::waitpid(child, &status, WNOHANG) == 0) {
        ::kill(child, SIGKILL);
        ::waitpid(child, &status, 0);
        FAIL() << "an open waited for a writer of the pipe";
    }
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
}

TEST(LogFileSource, TakesTextForALogOnlyWhenItsFirstContactLineHasTheShapeOfOne)
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"log.txt"_s);
    const QByteArray line = CsvFixtureWriter().Line(Portable);
    const QByteArray header = CsvFixtureWriter().HeaderLine();
    const std::pair<const char*, QByteArray> refused[] = {
        {"empty", ""},
        {"column names only", "\r\n  \r\n" + header},
        {"column names, then notes", header + "notes\r\n" + line},
        {"passwd", "root:x:0:0:root:/root:/bin/bash\ndaemon:x:1:1::/:/usr/sbin/nologin\n"},
        {"notes with a date", "JA1ABC/2 worked, 24/01/01, 12:00 on 430\n" + line},
        {"date without time", "JA1ABC/2,24/01/01\r\n" + line},
        {"three-digit year", "JA1ABC/2,124/01/01,12:00J\r\n"},
        {"time with another mark", "JA1ABC/2,24/01/01,12:00X\r\n"},
        {"number that is not digits", "x7,JA1ABC/2,24/01/01,12:00J\r\n"},
    };
    for (const auto& [name, bytes] : refused) {
        ASSERT_TRUE(WriteAll(path, bytes));
        EXPECT_EQ(Calls(path), std::nullopt) << name;
    }

    // Read as a log: every later line with text is a contact, shaped or not.
    const QByteArray damaged = "JA9XYZ/1 ,worked on 7 MHz\r\n";
    const QList<QByteArray> both{"JA1ABC/2", "JA9XYZ/1"};
    const std::pair<const char*, QByteArray> taken[] = {
        {"plain", line + damaged},
        {"bare time and one-digit hour", "JA1ABC/2, 24/01/01 , 9:05\r\n" + damaged},
        {"four-digit year", "JA1ABC/2,2024-1-5,12:00U\r\n" + damaged},
        {"column names first", header + line + damaged},
        {"record numbers", "15,JA1ABC/2,24/01/01,12:00J\r\n16," + damaged},
    };
    for (const auto& [name, bytes] : taken) {
        ASSERT_TRUE(WriteAll(path, bytes));
        EXPECT_EQ(Calls(path), both) << name;
    }
}
