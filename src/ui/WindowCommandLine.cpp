#include "WindowCommandLine.h"

#include "CommandLineConventions.h"

#include <QCommandLineParser>
#include <QFileInfo>

using Conventions = CommandLineConventions;

WindowCommandLine::Outcome WindowCommandLine::Parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, {});
    const QCommandLineOption version(QStringLiteral("version"), {});
    parser.addOptions({help, version});
    // Qt's own options for any Qt window (-platform offscreen, -style Fusion):
    // the application takes them, so they are no bad usage here.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char* name : {"platform", "platformpluginpath", "platformtheme", "plugin",
                             "qwindowgeometry", "qwindowicon", "qwindowtitle", "style",
                             "stylesheet", "display", "geometry", "title", "session"}) {
        QCommandLineOption qtOption(QLatin1String(name), {}, QStringLiteral("VALUE"));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }
    for (const char* name : {"reverse", "widgetcount", "nograb", "dograb", "sync"}) {
        QCommandLineOption qtOption{QString::fromLatin1(name)};
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }

    if (!parser.parse(arguments))
        return {Conventions::UsageError(parser.errorText()), {}};
    if (parser.isSet(help)) {
        Conventions::Print(
            stdout, tr("Usage: %1 [OPTION]... [LOG]\n"
                       "Open KORVEX's window. With LOG (a HAMLOG.HDB, a HAMLOG CSV export or ADIF), the\n"
                       "window starts with that log chosen, as if picked with its file dialog.\n"
                       "\n"
                       "  -h, --help     display this help and exit\n"
                       "      --version  output version information and exit\n"
                       "\n"
                       "KORVEX needs a graphical desktop; korvex-extract does the same work\n"
                       "on a terminal.\n")
                        .arg(QCoreApplication::applicationName()));
        return {Conventions::Success, {}};
    }
    if (parser.isSet(version)) {
        Conventions::Print(stdout, Conventions::VersionText());
        return {Conventions::Success, {}};
    }
    const QStringList operands = parser.positionalArguments();
    if (operands.size() > 1)
        return {Conventions::UsageError(
                    tr("extra operand '%1': give at most one LOG").arg(operands[1])),
                {}};
    const bool platformChosen = parser.isSet(QStringLiteral("platform"));
    if (operands.isEmpty())
        return {{}, {}, platformChosen};
    // The file dialog takes only a file that exists; so does the command line.
    const QFileInfo log(operands.first());
    if (!log.isFile()) {
        Conventions::Error(log.exists() ? tr("'%1' is not a file").arg(operands.first())
                                        : tr("'%1': no such file").arg(operands.first()));
        return {Conventions::Failure, {}};
    }
    return {{}, log.absoluteFilePath(), platformChosen};
}

std::optional<QString> WindowCommandLine::NoDisplay()
{
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            return std::nullopt;
    }
    return CannotOpenWindow(tr("no display (DISPLAY and WAYLAND_DISPLAY are not set); "
                               "korvex-extract works without one"));
}

QString WindowCommandLine::CannotOpenWindow(const QString& reason)
{
    return tr("cannot open a window: %1").arg(reason);
}
