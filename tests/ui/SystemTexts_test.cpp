// Every text the program shows as its own (captions, tooltips, titles,
// messages, the extraction file's header) and the window's layout in twips,
// each against its expected value in one table: a change of one character or
// one twip fails. The texts are read where the user meets them: on the
// controls, in the dialogs, in the file. The classification rules' texts
// (call-sign families, band tests, the time mark) have their own tables in the
// classification tests.

#include "BandFilterCheck.h"
#include "CodePage932.h"
#include "Form1.h"
#include "HdbFixtureWriter.h"
#include "HdbRecordSource.h"
#include "QtPrinters.h"
#include "RecordingDialogs.h"
#include "ScriptedWindow.h"
#include "TestFiles.h"

#include <QDir>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct TextRow {
    const char* where;
    const char16_t* expected;
    std::function<QString()> seen;
};

struct LayoutRow {
    const char* name;
    const char* inside; // empty: the window
    int left, top, width, height;
};

const LayoutRow Layout[] = {
    {"Frame1", "", 240, 360, 6255, 1455},      {"Command1", "Frame1", 360, 360, 2175, 495},
    {"Label1", "Frame1", 360, 960, 5655, 255}, {"Frame3", "", 240, 3000, 2535, 975},
    {"Text1", "Frame3", 240, 360, 1935, 375},  {"Frame4", "", 3000, 3000, 3015, 975},
    {"Text2", "Frame4", 240, 360, 2295, 375},  {"Frame5", "", 6120, 3000, 3255, 975},
    {"Text3", "Frame5", 240, 360, 2655, 375},  {"Command3", "", 6960, 2040, 2055, 615},
    {"Command4", "", 6960, 360, 2055, 735},    {"Label5", "", 360, 4320, 8535, 255},
    {"Frame6", "", 3240, 2040, 1935, 735},     {"Label4", "Frame6", 240, 240, 1335, 375},
    {"Frame7", "", 600, 2040, 1935, 735},      {"Label3", "Frame7", 240, 240, 1335, 375},
};

class SystemTexts : public ::testing::Test {
protected:
    ~SystemTexts() override { QDir::setCurrent(startFolder); }

    template <typename Control = QWidget> Control* Child(const char* name)
    {
        auto* control = form.findChild<Control*>(QLatin1String(name));
        EXPECT_NE(control, nullptr) << name;
        return control;
    }
    std::function<QString()> Title(const char* frame)
    {
        return [=, this] { return Child<QGroupBox>(frame)->title(); };
    }
    std::function<QString()> Caption(const char* button)
    {
        return [=, this] { return Child<QPushButton>(button)->text(); };
    }
    std::function<QString()> Font(const char* control)
    {
        return [=, this] {
            const QFont font = Child(control)->font();
            return font.families().value(0) + u' ' + QString::number(font.pointSize());
        };
    }
    static void Check(const std::vector<TextRow>& table)
    {
        for (const TextRow& row : table)
            EXPECT_EQ(row.seen(), QStringView(row.expected).toString()) << row.where;
    }
    // The extraction file's header items, unquoted.
    QStringList Header()
    {
        const QByteArray file = ReadAll(form.ExtractPath);
        QStringList items = CodePage932().Decode(file.left(file.indexOf("\r\n"))).split(u',');
        for (QString& item : items)
            item = item.mid(1, item.size() - 2);
        return items;
    }

    QString startFolder = QDir::currentPath();
    QTemporaryDir dir;
    QString log = dir.filePath(u"HAMLOG.HDB"_s);
    HdbRecordSource source;
    IdleSpreadsheet sheet;
    RecordingDialogs dialogs;
    Form1 form{source, sheet, dialogs, dir.path(), dir.filePath(u"data"_s)};
};

} // namespace

TEST_F(SystemTexts, OfTheWindowAndItsDialog)
{
    ASSERT_EQ(form.Form_Load(), Form1::LoadOutcome::Ready);
    form.Command1_Click();
    ASSERT_EQ(dialogs.FileRequests.size(), 1u);
    const Dialogs::OpenFileRequest& request = dialogs.FileRequests[0];
    Check({
        {"window title", u"KORVEX Ver2.0", [&] { return form.windowTitle(); }},
        {"Frame1", u"HAMLOG.HDB の指定", Title("Frame1")},
        {"Command1", u"指定開始", Caption("Command1")},
        {"Frame3", u"Rcv 欄", Title("Frame3")},
        {"Frame4", u"Band", Title("Frame4")},
        {"Frame5", u"Mode", Title("Frame5")},
        {"Command3", u"終了", Caption("Command3")},
        {"Command4", u"抽出開始", Caption("Command4")},
        {"Frame6", u"Select", Title("Frame6")},
        {"Frame7", u"Read", Title("Frame7")},
        {"Text1", u"ALL", [&] { return Child<QLineEdit>("Text1")->text(); }},
        {"Text2", u"ALL", [&] { return Child<QLineEdit>("Text2")->text(); }},
        {"Text3", u"ALL", [&] { return Child<QLineEdit>("Text3")->text(); }},
        {"Text1 tooltip",
         u"Rcv 欄の文字列を指定する場合は ここに記述します 複数指定の場合は "
         u"カンマで区切ってください",
         [&] { return Child("Text1")->toolTip(); }},
        {"Text2 tooltip",
         u"バンド指定の場合は、ここでバンドを記述します、複数指定の場合はカンマで区切ります。",
         [&] { return Child("Text2")->toolTip(); }},
        {"Text3 tooltip",
         u"モードを指定する場合はここに記述します、複数指定の場合はカンマで区切ります。",
         [&] { return Child("Text3")->toolTip(); }},
        {"Text1 font", u"ＭＳ ゴシック 9", Font("Text1")},
        {"Text2 font", u"ＭＳ ゴシック 9", Font("Text2")},
        {"Text3 font", u"ＭＳ ゴシック 9", Font("Text3")},
        {"Label3 font", u"ＭＳ Ｐゴシック 12", Font("Label3")},
        {"Label4 font", u"ＭＳ Ｐゴシック 12", Font("Label4")},
        {"dialog title", u"HamLog ﾌｧｲﾙを定義します", [&] { return request.Title; }},
        {"dialog filter", u"Hamlog (*.HDB)", [&] { return request.Filters.value(0); }},
        {"extraction file", u"KORVEX.tmp", [&] { return QFileInfo(form.ExtractPath).fileName(); }},
    });
}

TEST_F(SystemTexts, OfTheRunAndTheExtractionFile)
{
    ASSERT_EQ(form.Form_Load(), Form1::LoadOutcome::Ready);
    form.Command4_Click(); // nothing chosen yet
    HdbContact invalid{.Call = u"JA1ABC/2"_s, .Freq = u"0.136"_s};
    ASSERT_TRUE(HdbFixtureWriter().WriteFile(log, {{.Call = u"JA1ABC/2"_s}, invalid}));
    form.ChooseLogFile(log);
    form.Command4_Click();
    const QStringList header = Header();
    // The log goes while the first read is being confirmed.
    dialogs.WhileAsked = [&] { QFile::remove(log); };
    form.Command4_Click();
    dialogs.WhileAsked = [] {};
    ASSERT_TRUE(WriteAll(log, "no database, no CSV\n"));
    form.Command4_Click();
    // The reader's end mark, seen by a reader of its own.
    ScriptedWindow window;
    window.Path = log;
    ASSERT_TRUE(HdbFixtureWriter().WriteFile(log, {}));
    LogReader reader(source, window, dir.path());
    reader.RecordNo = 1;
    reader.ReadNextRecord();

    ASSERT_EQ(dialogs.Messages.size(), 4) << qPrintable(dialogs.Messages.join(u" | "));
    ASSERT_EQ(dialogs.Questions.size(), 3);
    Check({
        {"no log chosen", u"HAMLOG.HDB を先に指定してください",
         [&] { return dialogs.Messages[0]; }},
        {"first read", u"HAMLOG からデータを読み出します", [&] { return dialogs.Questions[0]; }},
        {"invalid frequency", u"交信番号 2 の交信周波数は 無効です\n0.136",
         [&] { return dialogs.Messages[1]; }},
        {"log gone", u"HAMLOG.HDB が 未指定 または 無効です", [&] { return dialogs.Messages[2]; }},
        {"no log", u"HAMLOG Open 失敗", [&] { return dialogs.Messages[3]; }},
        {"end of the log", u"END", [&] { return reader.LogPath; }},
        {"header", u"移動地|所属エリア|CALL|交信番号| 年月日|時刻 |バンド |モード|QSL|Code",
         [&] { return header.join(u'|'); }},
        {"band names", u"1.9,3.5,7,10,14,18,21,24,28,50,144,430,1200,2400,5600,10000,24000,47000",
         [] { return BandFilterCheck::BandNames().join(u','); }},
    });
}

TEST_F(SystemTexts, OfTheStartWhileTheLastExtractionIsStillOpen)
{
    const QString leftover = dir.filePath(u"KORVEX.tmp"_s);
    ASSERT_TRUE(WriteAll(leftover, "rows"));
    QFile held(leftover);
    ASSERT_TRUE(held.open(QIODevice::ReadOnly));
    bool visibleBehind = false;
    dialogs.WhileShown = [&] { visibleBehind = form.isVisible(); };
    ASSERT_EQ(form.Form_Load(), Form1::LoadOutcome::MustEnd);
    EXPECT_TRUE(visibleBehind) << "the window shows behind the message";
    EXPECT_TRUE(QFile::exists(leftover));
    ASSERT_EQ(dialogs.Messages.size(), 1);
    const QStringList lines = dialogs.Messages[0].split(u'\n');
    ASSERT_EQ(lines.size(), 3) << "lines joined by a line feed alone";
    Check({
        {"still open 1", u"前回処理した LibreOffice Calc がまだ開かれています",
         [&] { return lines[0]; }},
        {"still open 2", u"データが必要なら名前を付けて保存してください", [&] { return lines[1]; }},
        {"still open 3", u"この KORVEX はその後に再起動してください", [&] { return lines[2]; }},
    });
}

TEST_F(SystemTexts, TheLayoutInTwips)
{
    ASSERT_EQ(form.screen()->logicalDotsPerInchX(), 1440) << "one twip to a pixel";
    ASSERT_EQ(form.screen()->logicalDotsPerInchY(), 1440);
    EXPECT_EQ(form.size(), QSize(9600, 4860)) << "client area";
    for (const LayoutRow& row : Layout) {
        const QWidget* control = Child(row.name);
        ASSERT_NE(control, nullptr);
        const QString inside =
            control->parentWidget() == &form ? QString() : control->parentWidget()->objectName();
        EXPECT_EQ(inside, QLatin1String(row.inside)) << row.name;
        EXPECT_EQ(control->geometry(), QRect(row.left, row.top, row.width, row.height)) << row.name;
    }
}
