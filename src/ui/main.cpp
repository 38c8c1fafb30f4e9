// korvex: the window. Choose a HAMLOG.HDB (or a HAMLOG CSV export), type the filters, extract, and the
// selected contacts open in LibreOffice Calc.

#include "Form1.h"
#include "LibreOfficeCalc.h"
#include "LogFileSource.h"
#include "QtDialogs.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStandardPaths>
#include <QTranslator>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("korvex"));
    QCoreApplication::setApplicationVersion(QStringLiteral("2.0"));

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
    return app.exec();
}
