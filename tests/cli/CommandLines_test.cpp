// Both programs' command lines as a user meets them on a terminal: help and
// version on standard output, bad usage told in one line and a pointer to
// --help, and the command line's texts in the language of the user's locale.

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace Qt::StringLiterals;

namespace {

struct Program {
    const char* name;
    const char* path;
};

struct Outcome {
    int status = -1; // -1: the program crashed or hung
    QString out, err;
    QStringList ErrLines() const { return err.split(u'\n', Qt::SkipEmptyParts); }
};

// Without a display and in the C locale unless `environment` says otherwise:
// nothing here needs a window.
Outcome Start(const Program& program, const QStringList& args, const QStringList& environment = {},
              const QString& folder = {})
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "LANGUAGE", "LC_ALL",
                             "LC_MESSAGES", "LANG"})
        env.remove(QLatin1String(name));
    env.insert(u"LC_ALL"_s, u"C.UTF-8"_s);
    for (const QString& setting : environment) {
        if (setting.endsWith(u'='))
            env.remove(setting.chopped(1));
        else
            env.insert(setting.section(u'=', 0, 0), setting.section(u'=', 1));
    }
    QProcess process;
    process.setProcessEnvironment(env);
    process.setWorkingDirectory(folder);
    process.start(QString::fromUtf8(program.path), args);
    process.waitForFinished(60 * 1000); // a guard against a hang, not a measure
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

bool HasKana(const QString& text)
{
    return std::any_of(text.cbegin(), text.cend(),
                       [](QChar c) { return c.unicode() >= 0x3040 && c.unicode() <= 0x30FF; });
}

// What GNU tools print after a usage problem.
QString TryHelp(const Program& program)
{
    return u"Try '%1 --help' for more information."_s.arg(QLatin1String(program.name));
}

class CommandLine : public ::testing::TestWithParam<Program> {
protected:
    QString Name() const { return QLatin1String(GetParam().name); }
};

} // namespace

TEST_P(CommandLine, HelpAndVersionGoToStandardOutputAndSucceed)
{
    for (const char* help : {"--help", "-h"}) {
        const Outcome shown = Start(GetParam(), {QLatin1String(help)});
        EXPECT_EQ(shown.status, 0) << help;
        EXPECT_TRUE(shown.err.isEmpty()) << qPrintable(shown.err);
        EXPECT_TRUE(shown.out.startsWith(u"Usage: "_s + Name() + u' ')) << qPrintable(shown.out);
        EXPECT_TRUE(shown.out.contains(u"--version")) << help;
    }
    // The version the build was given, not one written into the program apart from it.
    const Outcome version = Start(GetParam(), {u"--version"_s});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.section(u'\n', 0, 0),
              Name() + u" (KORVEX) "_s + QLatin1String(KORVEX_VERSION));
}

TEST_P(CommandLine, BadUsageIsOneLineNamingTheProblemThenAPointerToHelp)
{
    QTemporaryDir dir;
    const QString a = dir.filePath(u"a.hdb"_s), b = dir.filePath(u"b.hdb"_s);
    // Each case with a word the problem's line must name.
    std::vector<std::pair<QStringList, QString>> cases{
        {{u"--colour"_s}, u"colour"_s},
        {{u"--version=2"_s}, u"--version"_s},
        {{a, b}, b},
    };
    if (Name() == u"korvex-extract") { // what is missing or does not fit together
        cases.insert(cases.end(),
                     {{{}, u"LOG"_s},
                      {{u"--band"_s}, u"--band"_s},
                      {{u"--open"_s, a}, u"--output"_s},
                      {{u"--open"_s, u"-o"_s, u"-"_s, a}, u"--output"_s},
                      {{u"--encoding"_s, u"latin1"_s, a}, u"latin1"_s},
                      {{u"--encoding"_s, u"utf-8"_s, u"--open"_s, u"-o"_s, b, a}, u"utf-8"_s}});
    }
    for (const auto& [args, named] : cases) {
        const Outcome bad = Start(GetParam(), args);
        const QString what = args.join(u' ');
        EXPECT_EQ(bad.status, 2) << qPrintable(what);
        EXPECT_TRUE(bad.out.isEmpty()) << qPrintable(what);
        ASSERT_EQ(bad.ErrLines().size(), 2) << qPrintable(bad.err);
        EXPECT_TRUE(bad.ErrLines()[0].startsWith(Name() + u": "_s)) << qPrintable(bad.err);
        EXPECT_TRUE(bad.ErrLines()[0].contains(named)) << qPrintable(bad.err);
        EXPECT_EQ(bad.ErrLines()[1], TryHelp(GetParam()));
    }
}

TEST_P(CommandLine, SpeaksTheLanguageOfTheLocale)
{
    // LC_ALL overrides LC_MESSAGES, which overrides LANG.
    const std::vector<std::pair<QStringList, bool>> locales{
        {{u"LC_ALL="_s, u"LANG=ja_JP.UTF-8"_s}, true},
        {{u"LC_ALL="_s, u"LANG=en_US.UTF-8"_s, u"LC_MESSAGES=ja_JP.UTF-8"_s}, true},
        {{u"LC_ALL=C"_s, u"LANG=ja_JP.UTF-8"_s}, false},
        {{u"LC_ALL="_s, u"LANG=de_DE.UTF-8"_s}, false},
    };
    for (const auto& [locale, japanese] : locales) {
        const QString what = locale.join(u' ');
        const Outcome help = Start(GetParam(), {u"--help"_s}, locale);
        EXPECT_EQ(HasKana(help.out), japanese) << qPrintable(what);
        const Outcome bad = Start(GetParam(), {u"--colour"_s}, locale);
        ASSERT_EQ(bad.ErrLines().size(), 2) << qPrintable(what);
        EXPECT_EQ(HasKana(bad.ErrLines()[0]), japanese) << qPrintable(what);
        EXPECT_EQ(HasKana(bad.ErrLines()[1]), japanese) << qPrintable(what);
        EXPECT_EQ(bad.ErrLines()[1] == TryHelp(GetParam()), !japanese) << qPrintable(what);
    }
}

INSTANTIATE_TEST_SUITE_P(Programs, CommandLine,
                         ::testing::Values(Program{"korvex-extract", KORVEX_EXTRACT},
                                           Program{"korvex", KORVEX_WINDOW}),
                         [](const auto& row) {
                             std::string name = row.param.name;
                             std::replace(name.begin(), name.end(), '-', '_');
                             return name;
                         });

TEST(KorvexWindowCommandLine, WithoutADisplayEndsWithOneLineInsteadOfACrash)
{
    const Program korvex{"korvex", KORVEX_WINDOW};
    const Outcome none = Start(korvex, {});
    EXPECT_EQ(none.status, 1);
    ASSERT_EQ(none.ErrLines().size(), 1) << qPrintable(none.err);
    EXPECT_TRUE(none.err.startsWith(u"korvex: ") && none.err.contains(u"DISPLAY"))
        << qPrintable(none.err);

    // A display that nobody serves: the window system's refusal, in one line.
    int number = 150;
    while (QFile::exists(u"/tmp/.X11-unix/X%1"_s.arg(number)))
        ++number;
    const QString display = u":%1"_s.arg(number);
    const Outcome refused = Start(korvex, {}, {u"DISPLAY="_s + display});
    EXPECT_EQ(refused.status, 1) << "not a crash";
    ASSERT_EQ(refused.ErrLines().size(), 1) << qPrintable(refused.err);
    EXPECT_TRUE(refused.err.startsWith(u"korvex: ") && refused.err.contains(display))
        << qPrintable(refused.err);
}

TEST(KorvexWindowCommandLine, TakesOnlyAnExistingFileAsTheLog)
{
    const Program korvex{"korvex", KORVEX_WINDOW};
    QTemporaryDir dir;
    for (const QString& log : {dir.filePath(u"none.hdb"_s), dir.path()}) {
        const Outcome refused = Start(korvex, {log}, {u"QT_QPA_PLATFORM=offscreen"_s});
        EXPECT_EQ(refused.status, 1) << qPrintable(log);
        ASSERT_EQ(refused.ErrLines().size(), 1) << qPrintable(refused.err);
        EXPECT_TRUE(refused.err.contains(log)) << qPrintable(refused.err);
    }
}
