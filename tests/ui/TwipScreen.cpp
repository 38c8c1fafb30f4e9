// The main of the text and layout tests: one QApplication on an offscreen
// screen of 1440 dots per inch, where a twip is one pixel, so that a control
// moved by a single twip is seen.

#include <QApplication>
#include <QTemporaryFile>

#include <gtest/gtest.h>

int main(int argc, char* argv[])
{
    QTemporaryFile config;
    if (!config.open())
        return 1;
    config.write(R"({"screens": [{"name": "twips", "x": 0, "y": 0, "width": 20000,
                   "height": 10000, "logicalDpi": 1440, "logicalBaseDpi": 1440, "dpr": 1}]})");
    config.flush();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config.fileName()));
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
