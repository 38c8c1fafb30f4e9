#pragma once

#include <QCoreApplication>
#include <QString>

#include <cstdio>

// What a Linux user expects of a program's command line: help and version on
// standard output, bad usage told in one line with a pointer to --help, and the
// command line's own texts in the user's language. The program's name is the
// application name.
class CommandLineConventions {
    Q_DECLARE_TR_FUNCTIONS(CommandLineConventions)

public:
    enum ExitStatus { Success = 0, Failure = 1, BadUsage = 2 };

    // Installs the translation of the command line's texts for the user's
    // locale (LC_ALL, LC_MESSAGES, LANG, LANGUAGE): Japanese under ja, the
    // English source texts otherwise. Needs the application object.
    static void InstallTranslator();

    static void Print(FILE* stream, const QString& text);
    // "program: problem" and the pointer to --help on standard error; returns
    // the status for bad usage.
    static int UsageError(const QString& problem);
    // "program: problem" on standard error.
    static void Error(const QString& problem);
    // "program: warning: problem" on standard error.
    static void Warning(const QString& problem);
    // The first line of --version, GNU style: "program (KORVEX) 2.0".
    static QString VersionText();
};
