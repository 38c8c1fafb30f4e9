#include "WinePrefixes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class WinePrefixesTest : public ::testing::Test {
protected:
    // Creates `path` under the temporary folder, with its folders.
    QString Make(const QString& path)
    {
        const QString full = dir.filePath(path);
        EXPECT_TRUE(QDir().mkpath(QFileInfo(full).path()));
        QFile file(full);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        return full;
    }
    QString Folder(const QString& path)
    {
        EXPECT_TRUE(QDir().mkpath(dir.filePath(path)));
        return dir.filePath(path);
    }

    QTemporaryDir dir;
    QString home = dir.filePath(u"home"_s);
};

} // namespace

TEST_F(WinePrefixesTest, OffersTheDriveOfEachPrefixThatExistsWinePrefixFirst)
{
    EXPECT_TRUE(WinePrefixes::DriveCFolders(home, {}).isEmpty());
    const QString homeDrive = Folder(u"home/.wine/drive_c"_s);
    const QString otherDrive = Folder(u"bottles/hamlog/drive_c"_s);
    EXPECT_EQ(WinePrefixes::DriveCFolders(home, dir.filePath(u"bottles/hamlog"_s)),
              QStringList({otherDrive, homeDrive}));
    // The same prefix named twice, or one without a drive, adds nothing.
    EXPECT_EQ(WinePrefixes::DriveCFolders(home, home + u"/.wine/"_s), QStringList{homeDrive});
    EXPECT_EQ(WinePrefixes::DriveCFolders(home, dir.filePath(u"missing"_s)),
              QStringList{homeDrive});
}

TEST_F(WinePrefixesTest, FindsTheShallowestLogInAnyLetterCaseWithinItsBounds)
{
    const QString driveC = Folder(u"home/.wine/drive_c"_s);
    Make(u"home/.wine/drive_c/windows/HAMLOG.HDB"_s); // Wine's own folder is passed over
    Make(u"home/.wine/drive_c/users/me/Documents/Old/Hamlog/HAMLOG.HDB"_s); // too deep
    EXPECT_TRUE(WinePrefixes::FindLog({driveC}).isEmpty());

    const QString documents = Make(u"home/.wine/drive_c/users/me/Documents/Hamlog/hamlog.hdb"_s);
    Make(u"home/.wine/drive_c/users/me/Documents/Hamlog/HAMLOG.HDB.bak"_s);
    EXPECT_EQ(WinePrefixes::FindLog({driveC}), documents);
    const QString shallow = Make(u"home/.wine/drive_c/Hamlog/Hamlog.HDB"_s);
    EXPECT_EQ(WinePrefixes::FindLog({driveC}), shallow);
    EXPECT_EQ(WinePrefixes::FindLog({dir.filePath(u"missing"_s), driveC}), shallow);
}

TEST_F(WinePrefixesTest, StopsAfterItsShareOfEntries)
{
    const QString driveC = Folder(u"drive_c"_s);
    for (int i = 0; i < 60; ++i)
        Make(u"drive_c/file%1.txt"_s.arg(i));
    const QString log = Make(u"drive_c/Hamlog/HAMLOG.HDB"_s);
    // The drive alone holds more entries than the search may look at.
    EXPECT_TRUE(WinePrefixes::FindLog({driveC}, WinePrefixes::SearchDepth, 50).isEmpty());
    EXPECT_EQ(WinePrefixes::FindLog({driveC}, WinePrefixes::SearchDepth, 62), log);
}
