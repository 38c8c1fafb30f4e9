// File managers offer KORVEX for a HAMLOG log when the shared MIME database
// knows the log's type and the desktop entry claims it: the installed
// definition is compiled as the package's trigger compiles it, into a data
// folder of the test's own, and asked through Qt, as file managers ask.

#include "HdbFixtureWriter.h"
#include "TestFiles.h"

#include <QMimeDatabase>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class MimeTypeTest : public ::testing::Test {
protected:
    MimeTypeTest()
    {
        QDir(data.path()).mkpath(u"mime/packages"_s);
        EXPECT_TRUE(QFile::copy(QStringLiteral(KORVEX_MIME_XML),
                                data.filePath(u"mime/packages/korvex.xml"_s)));
        qputenv("XDG_DATA_HOME", QFile::encodeName(data.path()));
        QProcess update;
        update.start(u"update-mime-database"_s, {data.filePath(u"mime"_s)});
        EXPECT_TRUE(update.waitForFinished(60 * 1000));
        EXPECT_EQ(update.exitCode(), 0);
        EXPECT_TRUE(update.readAllStandardError().isEmpty()) << "the definition is valid";
    }

    QString TypeOf(const QString& name, const QByteArray& bytes)
    {
        const QString path = files.filePath(name);
        EXPECT_TRUE(WriteAll(path, bytes));
        return QMimeDatabase().mimeTypeForFile(path).name();
    }

    QTemporaryDir data, files;
};

} // namespace

TEST_F(MimeTypeTest, KnowsAHamlogLogByItsNameAndByItsFirstBytes)
{
    const QByteArray log = HdbFixtureWriter().File({{.Call = u"JA1ABC/2"_s}});
    const QString type = TypeOf(u"HAMLOG.HDB"_s, log);
    ASSERT_FALSE(QMimeDatabase().mimeTypeForName(type).isDefault()) << qPrintable(type);
    EXPECT_EQ(type, TypeOf(u"backup.hdb"_s, {})) << "by name, in any case";
    EXPECT_EQ(type, TypeOf(u"log-2024"_s, log)) << "by content, whatever the name";
    QByteArray older = log;
    older[0] = '\x1A';
    EXPECT_EQ(type, TypeOf(u"older"_s, older));
    // Another dBASE table is no HAMLOG log.
    QByteArray table = log;
    table.replace(32, 5, "PRICE");
    EXPECT_NE(TypeOf(u"stock"_s, table), type);
    EXPECT_NE(TypeOf(u"notes"_s, "CALLS and other words"), type);

    // The desktop entry opens such a file: it claims the type and takes a file.
    QSettings entry(QStringLiteral(KORVEX_DESKTOP_ENTRY), QSettings::IniFormat);
    entry.beginGroup(u"Desktop Entry"_s);
    EXPECT_TRUE(entry.value(u"MimeType"_s).toString().split(u';').contains(type));
    EXPECT_TRUE(entry.value(u"Exec"_s).toString().endsWith(u" %f"_s));
}
