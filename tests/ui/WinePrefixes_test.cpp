#include "WinePrefixes.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

class WinePrefixesTest : public ::testing::Test {
protected:
    // Creates the folder `path`, or the empty file when it has an extension.
    QString Make(const QString& path)
    {
        const QString full = dir.filePath(path);
        const bool file = QFileInfo(full).fileName().contains(u'.');
        EXPECT_TRUE(QDir().mkpath(file ? QFileInfo(full).path() : full));
        if (file) {
            EXPECT_TRUE(QFile(full).open(QIODevice::WriteOnly));
        }
        return full;
    }

    QTemporaryDir dir;
    QString home = dir.filePath(u"home"_s);
};

} // namespace

TEST_F(WinePrefixesTest, OffersTheDriveOfEachPrefixThatExistsWinePrefixFirst)
{
    EXPECT_TRUE(WinePrefixes::DriveCFolders(home, {}).isEmpty());
    const QString homeDrive = Make(u"home/.wine/drive_c"_s);
    const QString otherDrive = Make(u"bottles/hamlog/drive_c"_s);
    EXPECT_EQ(WinePrefixes::DriveCFolders(home, dir.filePath(u"bottles/hamlog"_s)),
              QStringList({otherDrive, homeDrive}));
    // The same prefix named twice, or one without a drive, adds nothing.
    EXPECT_EQ(WinePrefixes::DriveCFolders(home, home + u"/.wine/"_s), QStringList{homeDrive});
    EXPECT_EQ(WinePrefixes::DriveCFolders(home, dir.filePath(u"missing"_s)),
              QStringList{homeDrive});
}

TEST_F(WinePrefixesTest, FindsTheShallowestLogInAnyLetterCaseWithinItsBounds)
{
    const QString driveC = Make(u"home/.wine/drive_c"_s);
    Make(u"home/.wine/drive_c/windows/HAMLOG.HDB"_s); // Wine's own folder is passed over
    Make(u"home/.wine/drive_c/users/me/Documents/Old/Hamlog/HAMLOG.HDB"_s); // too deep
    Make(u"home/.wine/drive_c/users/me/Documents/Hamlog/HAMLOG.HDB.bak"_s);
    EXPECT_TRUE(WinePrefixes::FindLog({driveC}).isEmpty());

    const QString documents = Make(u"home/.wine/drive_c/users/me/Documents/Hamlog/hamlog.hdb"_s);
    EXPECT_EQ(WinePrefixes::FindLog({driveC}), documents);
    const QString shallow = Make(u"home/.wine/drive_c/Hamlog/Hamlog.HDB"_s);
    EXPECT_EQ(WinePrefixes::FindLog({dir.filePath(u"missing"_s), driveC}), shallow);

    // A drive of more entries than the search may look at gives up.
    for (int i = 0; i < 60; ++i)
        Make(u"home/.wine/drive_c/file%1.txt"_s.arg(i));
    EXPECT_TRUE(WinePrefixes::FindLog({driveC}, WinePrefixes::SearchDepth, 50).isEmpty());
}
