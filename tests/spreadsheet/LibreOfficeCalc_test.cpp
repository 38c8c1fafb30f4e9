#include "LibreOfficeCalc.h"
#include "StandInSpreadsheet.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>

namespace {

bool WriteFile(const QString& path, const QByteArray& content,
               QFileDevice::Permissions permissions = QFileDevice::ReadOwner |
                                                      QFileDevice::WriteOwner)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(content) != content.size())
        return false;
    file.close();
    return file.setPermissions(permissions);
}

} // namespace

TEST(LibreOfficeCalc, StartsTheApplicationDetachedWithTheImportOptions)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("抽出 #1")));
    const QString path = dir.filePath(QStringLiteral("抽出 #1/KORVEX.tmp"));
    ASSERT_TRUE(WriteFile(path, "\"CALL\"\r\n"));
    const StandInSpreadsheet standIn;
    ASSERT_TRUE(standIn.IsValid());

    const Spreadsheet::Result result = LibreOfficeCalc(standIn.Program()).Open(path);

    ASSERT_TRUE(result.Started) << result.Error.toStdString();
    EXPECT_TRUE(result.Error.isEmpty());
    ASSERT_TRUE(standIn.WaitUntilStarted());
    const QStringList expected{QStringLiteral("-n"), LibreOfficeCalc::InFilterArgument(), path};
    EXPECT_EQ(standIn.Arguments(), expected) << standIn.Arguments().join(u'|').toStdString();
    // Not our child: nothing is left for us to wait for or to reap.
    EXPECT_NE(standIn.Parent(), QCoreApplication::applicationPid());
    // Released only after Open returned, so Open did not wait for it.
    EXPECT_EQ(standIn.Release().toStdString(), "released");
}

TEST(LibreOfficeCalc, GivesTheApplicationAnAbsolutePath)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    // A relative name that looks like an option must still arrive as the file.
    const QString name = QStringLiteral("-KORVEX.tmp");
    ASSERT_TRUE(WriteFile(dir.filePath(name), "\"CALL\"\r\n"));
    const StandInSpreadsheet standIn;
    ASSERT_TRUE(standIn.IsValid());
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir.path()));

    const Spreadsheet::Result result = LibreOfficeCalc(standIn.Program()).Open(name);
    QDir::setCurrent(previous);

    ASSERT_TRUE(result.Started) << result.Error.toStdString();
    ASSERT_TRUE(standIn.WaitUntilStarted());
    ASSERT_FALSE(standIn.Arguments().isEmpty());
    EXPECT_EQ(standIn.Arguments().last(), QDir(dir.path()).absoluteFilePath(name));
    EXPECT_EQ(standIn.FileSeen(), "\"CALL\"\r\n");
    standIn.Release();
}

TEST(LibreOfficeCalc, ReportsWhyTheApplicationCouldNotStart)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString notExecutable = dir.filePath(QStringLiteral("not-executable"));
    ASSERT_TRUE(WriteFile(notExecutable, "#!/bin/sh\n"));
    const QString badInterpreter = dir.filePath(QStringLiteral("bad-interpreter"));
    ASSERT_TRUE(WriteFile(badInterpreter, "#!/nonexistent/sh\n",
                          QFileDevice::ReadOwner | QFileDevice::ExeOwner));
    const QString extraction = dir.filePath(QStringLiteral("KORVEX.tmp"));
    ASSERT_TRUE(WriteFile(extraction, "\"CALL\"\r\n"));

    const struct {
        const char* Case;
        QString Program;
        int Reason;
    } cases[] = {
        {"not on PATH", QStringLiteral("korvex-no-such-spreadsheet"), ENOENT},
        {"no such file", dir.filePath(QStringLiteral("missing/soffice")), ENOENT},
        {"not executable", notExecutable, EACCES},
        {"interpreter missing", badInterpreter, ENOENT},
        {"a folder", dir.path(), EACCES},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Case);
        const Spreadsheet::Result result = LibreOfficeCalc(c.Program).Open(extraction);
        EXPECT_FALSE(result.Started);
        EXPECT_TRUE(result.Error.contains(c.Program)) << result.Error.toStdString();
        EXPECT_TRUE(result.Error.contains(QString::fromLocal8Bit(std::strerror(c.Reason))))
            << result.Error.toStdString();
    }
    EXPECT_TRUE(QFile::exists(extraction));
}
