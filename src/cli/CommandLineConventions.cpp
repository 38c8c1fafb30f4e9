#include "CommandLineConventions.h"

#include <QLocale>
#include <QTranslator>

void CommandLineConventions::InstallTranslator()
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    // Looks for korvex_ja_JP.qm, korvex_ja.qm, ... for each of the user's languages.
    if (translator->load(QLocale(), QStringLiteral("korvex"), QStringLiteral("_"),
                         QStringLiteral(":/korvex/i18n")))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

void CommandLineConventions::Print(FILE* stream, const QString& text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

int CommandLineConventions::UsageError(const QString& problem)
{
    const QString program = QCoreApplication::applicationName();
    Print(stderr, program + QStringLiteral(": ") + problem + u'\n' +
                      tr("Try '%1 --help' for more information.").arg(program) + u'\n');
    return BadUsage;
}

void CommandLineConventions::Error(const QString& problem)
{
    Print(stderr, QCoreApplication::applicationName() + QStringLiteral(": ") + problem + u'\n');
}

void CommandLineConventions::Warning(const QString& problem)
{
    Error(tr("warning: %1").arg(problem));
}

QString CommandLineConventions::VersionText()
{
    return QCoreApplication::applicationName() + QStringLiteral(" (KORVEX) ") +
           QCoreApplication::applicationVersion() + u'\n';
}
