// korvex: the window. Choose a HAMLOG.HDB (or a HAMLOG CSV export, or ADIF), type the
// filters, extract, and the selected contacts open in LibreOffice Calc.

#include "CommandLineConventions.h"
#include "Form1.h"
#include "LibreOfficeCalc.h"
#include "LogFileSource.h"
#include "QtDialogs.h"
#include "WindowCommandLine.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>

#include <cstdlib>
#include <optional>
#include <vector>

namespace {

void SetNames()
{
    QCoreApplication::setApplicationName(QStringLiteral("korvex"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0"));
}

// Qt aborts with a core dump when no window system answers. While the
// application starts, its platform messages are held back: a failed start
// becomes one line and exit status 1, a good one passes them on.
class PlatformStartWatch {
public:
    explicit PlatformStartWatch(QString failureLine)
    {
        failureLine_ = std::move(failureLine);
        previous_ = qInstallMessageHandler(&Handle);
    }
    ~PlatformStartWatch()
    {
        qInstallMessageHandler(previous_);
        for (const Held& message : held_) {
            const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
            previous_(message.type, context, message.text);
        }
    }
    PlatformStartWatch(const PlatformStartWatch&) = delete;
    PlatformStartWatch& operator=(const PlatformStartWatch&) = delete;

private:
    struct Held {
        QtMsgType type;
        QByteArray category;
        QString text;
    };

    static void Handle(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (type == QtFatalMsg) {
            // The first word on it is the cause ("could not connect to display"),
            // the later ones its consequences.
            const QString reason = held_.empty() ? text.section(u'\n', 0, 0) : held_.front().text;
            CommandLineConventions::Error(failureLine_.arg(reason));
            std::_Exit(CommandLineConventions::Failure);
        }
        held_.push_back({type, context.category ? context.category : "", text});
    }

    static inline QtMessageHandler previous_ = nullptr;
    static inline std::vector<Held> held_;
    static inline QString failureLine_;
};

} // namespace

int main(int argc, char* argv[])
{
    QString log;
    QString failureLine;
    {
        // The command line is dealt with before any window: --help works over ssh.
        QCoreApplication commandLine(argc, argv);
        SetNames();
        CommandLineConventions::InstallTranslator();
        const QStringList arguments = QCoreApplication::arguments();
        const WindowCommandLine::Outcome outcome = WindowCommandLine::Parse(arguments);
        if (outcome.ExitStatus)
            return *outcome.ExitStatus;
        if (const std::optional<QString> problem = WindowCommandLine::NoDisplay();
            problem && !outcome.PlatformChosen) {
            CommandLineConventions::Error(*problem);
            return CommandLineConventions::Failure;
        }
        log = outcome.Log;
        failureLine = WindowCommandLine::CannotOpenWindow(QStringLiteral("%1"));
    }

    std::optional<PlatformStartWatch> watch(std::in_place, failureLine);
    QApplication app(argc, argv);
    watch.reset();
    SetNames();

    // Qt's own texts (the file dialog, the OK and Cancel buttons) in Japanese,
    // where the translations are installed.
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                     QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(&qtTexts);

    LogFileSource source;
    LibreOfficeCalc calc;
    QtDialogs dialogs;
    Form1 form(source, calc, dialogs, QCoreApplication::applicationDirPath(),
               QStandardPaths::writableLocation(QStandardPaths::AppLocalDataLocation));
    if (form.Form_Load() == Form1::LoadOutcome::MustEnd)
        return 0;
    if (!log.isEmpty())
        form.ChooseLogFile(log);
    return app.exec();
}
