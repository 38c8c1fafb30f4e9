// korvex-extract: the extraction run without a window, for scripts and batch use.

#include "BandFilterCheck.h"
#include "CommandLineConventions.h"
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
#include <optional>

namespace {

enum ExitStatus { Success = 0, Failure = 1, BadUsage = 2 };

void Print(FILE* stream, const QString& text)
{
    CommandLineConventions::Print(stream, text);
}

using Conventions = CommandLineConventions;

// The command line's own texts, in the user's language.
class ExtractCommandLine {
    Q_DECLARE_TR_FUNCTIONS(ExtractCommandLine)

public:
    static QString Help()
    {
        return tr("Usage: %1 [OPTION]... LOG\n"
                  "Write the portable contacts of a log (HAMLOG.HDB, a HAMLOG CSV export or\n"
                  "ADIF) as KORVEX's extraction file, to standard output or to FILE.\n"
                  "\n"
                  "      --rcv TEXT       Rcv filter: the received QSL marks to keep\n"
                  "      --band TEXT      Band filter: band names such as 7,144,430\n"
                  "      --mode TEXT      Mode filter: modes such as SSB,CW\n"
                  "  -o, --output FILE    write to FILE instead of standard output\n"
                  "                       (a FILE of - means standard output)\n"
                  "      --open           then open FILE in LibreOffice Calc; needs --output\n"
                  "      --encoding NAME  shift_jis (the default, as the window writes it)\n"
                  "                       or utf-8 (for other Linux tools)\n"
                  "  -h, --help           display this help and exit\n"
                  "      --version        output version information and exit\n"
                  "\n"
                  "Each filter takes what the window's box takes: values separated by\n"
                  "commas, or ALL (the default), which switches the filter off.\n"
                  "\n"
                  "Exit status: 0 when the file was written (and, with --open, handed to\n"
                  "Calc); 1 when the log cannot be read, the output cannot be written or\n"
                  "Calc cannot be started; 2 for bad usage.\n")
            .arg(QCoreApplication::applicationName());
    }
    static QString MissingLog() { return tr("missing LOG operand"); }
    static QString ExtraOperand(const QString& operand)
    {
        return tr("extra operand '%1': give one LOG").arg(operand);
    }
    static QString OpenNeedsOutput() { return tr("--open needs --output FILE"); }
    static QString UnknownEncoding(const QString& name)
    {
        return tr("unknown encoding '%1': use shift_jis or utf-8").arg(name);
    }
    static QString OpenNeedsShiftJis()
    {
        return tr("--open hands Calc a Shift-JIS file: leave out --encoding utf-8");
    }
    static QString UnknownBand(const QString& element)
    {
        return tr("no contact can match the band '%1': band names are %2")
            .arg(element, BandFilterCheck::BandNames().join(QStringLiteral(", ")));
    }
};

// The encodings --encoding takes, by any of their usual names.
std::optional<bool> IsUtf8(const QString& name)
{
    const QString n = name.toLower();
    if (n == u"utf-8" || n == u"utf8")
        return true;
    if (n == u"shift_jis" || n == u"shift-jis" || n == u"sjis" || n == u"cp932")
        return false;
    return std::nullopt;
}

} // namespace

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvex-extract"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0"));
    Conventions::InstallTranslator();

    QCommandLineParser parser;
    const QCommandLineOption rcv(QStringLiteral("rcv"), {}, QStringLiteral("TEXT"),
                                 QStringLiteral("ALL"));
    const QCommandLineOption band(QStringLiteral("band"), {}, QStringLiteral("TEXT"),
                                  QStringLiteral("ALL"));
    const QCommandLineOption mode(QStringLiteral("mode"), {}, QStringLiteral("TEXT"),
                                  QStringLiteral("ALL"));
    const QCommandLineOption output({QStringLiteral("o"), QStringLiteral("output")}, {},
                                    QStringLiteral("FILE"));
    const QCommandLineOption open(QStringLiteral("open"), {});
    const QCommandLineOption encoding(QStringLiteral("encoding"), {}, QStringLiteral("NAME"),
                                      QStringLiteral("shift_jis"));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")}, {});
    const QCommandLineOption version(QStringLiteral("version"), {});
    parser.addOptions({rcv, band, mode, output, open, encoding, help, version});

    // File names are taken as the bytes the system gives, whatever their encoding.
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << PathBytes::Decode(argv[i]);
    if (!parser.parse(arguments))
        return Conventions::UsageError(parser.errorText());
    if (parser.isSet(help)) {
        Print(stdout, ExtractCommandLine::Help());
        return Success;
    }
    if (parser.isSet(version)) {
        Print(stdout, Conventions::VersionText());
        return Success;
    }
    const QStringList operands = parser.positionalArguments();
    if (operands.isEmpty())
        return Conventions::UsageError(ExtractCommandLine::MissingLog());
    if (operands.size() > 1)
        return Conventions::UsageError(ExtractCommandLine::ExtraOperand(operands[1]));
    // "-" names standard output, as it does for other tools.
    const bool toFile = parser.isSet(output) && parser.value(output) != QStringLiteral("-");
    if (parser.isSet(open) && !toFile)
        return Conventions::UsageError(ExtractCommandLine::OpenNeedsOutput());
    const std::optional<bool> utf8 = IsUtf8(parser.value(encoding));
    if (!utf8)
        return Conventions::UsageError(ExtractCommandLine::UnknownEncoding(parser.value(encoding)));
    if (*utf8 && parser.isSet(open))
        return Conventions::UsageError(ExtractCommandLine::OpenNeedsShiftJis());
    for (const QString& element : BandFilterCheck::UnknownElements(parser.value(band)))
        Conventions::Warning(ExtractCommandLine::UnknownBand(element));

    // The reader makes the program's folder current, so relative paths are fixed first.
    const QString logPath = PathBytes::Absolute(parser.positionalArguments().first());
    const QString outputPath = toFile ? PathBytes::Absolute(parser.value(output)) : QString();

    CommandLineWindow window(logPath, {parser.value(rcv), parser.value(band), parser.value(mode)});
    LogFileSource source;
    LogReader reader(source, window, QCoreApplication::applicationDirPath());
    // --output /dev/null or /dev/stdout is written into, not replaced.
    ExtractionTarget target(outputPath, ExtractionTarget::Devices::WriteInto);
    target.SetUtf8(*utf8);
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
