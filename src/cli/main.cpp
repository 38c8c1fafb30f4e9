// korvex-extract: the extraction run without a window, for scripts and batch use.

#include "CommandLineWindow.h"
#include "ExtractionRun.h"
#include "HandOffFailureMessage.h"
#include "LibreOfficeCalc.h"
#include "LogFileSource.h"
#include "PathBytes.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFileInfo>

#include <cstdio>

namespace {

enum ExitStatus { Success = 0, Failure = 1, BadUsage = 2 };

void Print(FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvex-extract"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral(
        "Writes the portable contacts of a HAMLOG log as KORVEX's extraction file\n"
        "(code page 932 CSV). The filters take what the window's Rcv, Band and Mode\n"
        "boxes take: comma-separated values, or ALL."));
    const QCommandLineOption rcv(QStringLiteral("rcv"), QStringLiteral("Rcv filter."),
                                 QStringLiteral("TEXT"), QStringLiteral("ALL"));
    const QCommandLineOption band(QStringLiteral("band"), QStringLiteral("Band filter."),
                                  QStringLiteral("TEXT"), QStringLiteral("ALL"));
    const QCommandLineOption mode(QStringLiteral("mode"), QStringLiteral("Mode filter."),
                                  QStringLiteral("TEXT"), QStringLiteral("ALL"));
    const QCommandLineOption output(
        {QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Write to FILE instead of standard output."), QStringLiteral("FILE"));
    parser.addOptions({rcv, band, mode, output});
    const QCommandLineOption open(
        QStringLiteral("open"),
        QStringLiteral("Then open FILE in LibreOffice Calc (soffice on PATH); needs --output."));
    parser.addOption(open);
    const QCommandLineOption help = parser.addHelpOption();
    parser.addPositionalArgument(QStringLiteral("LOG"),
                                 QStringLiteral("The HAMLOG.HDB file, or a HAMLOG CSV export."));

    // File names are taken as the bytes the system gives, whatever their encoding.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << PathBytes::Decode(argv[i]);
    if (!parser.parse(arguments)) {
        Print(stderr, parser.errorText() + QLatin1Char('\n') + parser.helpText());
        return BadUsage;
    }
    if (parser.isSet(help)) {
        Print(stdout, parser.helpText());
        return Success;
    }
    if (parser.positionalArguments().size() != 1) {
        Print(stderr, parser.helpText());
        return BadUsage;
    }
    if (parser.isSet(open) && !parser.isSet(output)) {
        Print(stderr, QStringLiteral("--open needs --output FILE\n") + parser.helpText());
        return BadUsage;
    }

    // The reader makes the program's folder current, so relative paths are fixed first.
    const QString logPath = PathBytes::Absolute(parser.positionalArguments().first());
    const QString outputPath =
        parser.isSet(output) ? PathBytes::Absolute(parser.value(output)) : QString();

    CommandLineWindow window(logPath, {parser.value(rcv), parser.value(band), parser.value(mode)});
    LogFileSource source;
    LogReader reader(source, window, QCoreApplication::applicationDirPath());
    // --output /dev/null or /dev/stdout is written into, not replaced.
    ExtractionTarget target(outputPath, ExtractionTarget::Devices::WriteInto);
    ExtractionRun run(window, reader, target);
    if (parser.isSet(open)) {
        window.HandOff = [&] {
            const Spreadsheet::Result result = LibreOfficeCalc().Open(outputPath);
            if (!result.Started)
                window.ShowMessage(HandOffFailureMessage(outputPath, result.Error));
            return result.Started;
        };
    }

    switch (run.Command4_Click()) {
    case ExtractionRun::Result::Completed:
        return window.HandOffFailed() ? Failure : Success;
    case ExtractionRun::Result::LogNotOpened:
        window.ShowMessage(logPath + QStringLiteral(": ") + reader.OpenError());
        // A header-only file handed to the spreadsheet is still its to read.
        if (!parser.isSet(open))
            target.Discard();
        return Failure;
    case ExtractionRun::Result::OutputIsLog:
        return BadUsage;
    case ExtractionRun::Result::NotStarted:
    case ExtractionRun::Result::Declined:
    case ExtractionRun::Result::OutputFailed:
    case ExtractionRun::Result::OutputBusy:
        break;
    }
    return Failure;
}
