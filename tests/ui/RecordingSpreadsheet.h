#pragma once

#include "Spreadsheet.h"

#include <QFile>
#include <QStringList>

// Stands in for LibreOffice: records every file it is asked to open, also into
// a file when a child process must tell its parent.
class RecordingSpreadsheet final : public Spreadsheet {
public:
    QStringList Opened;
    Result Answer{true, {}};
    QString RecordFile;

    Result Open(const QString& path) override
    {
        Opened << path;
        if (!RecordFile.isEmpty()) {
            QFile record(RecordFile);
            if (record.open(QIODevice::Append))
                record.write(path.toUtf8() + '\n');
        }
        return Answer;
    }
};
