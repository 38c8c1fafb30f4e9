#include "LogFileSource.h"

#include "CsvFixtureWriter.h"
#include "TestFiles.h"

#include <QTemporaryDir>
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
