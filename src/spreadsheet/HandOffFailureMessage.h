#pragma once

#include <QString>

// What the user is told when the spreadsheet application could not be started:
// that it failed, the system's `reason`, how to install LibreOffice Calc, and
// where the extraction file at `path` stays for opening by hand. Lines are
// joined by "\n" alone.
QString HandOffFailureMessage(const QString& path, const QString& reason);
