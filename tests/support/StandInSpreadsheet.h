#pragma once

#include "TestFiles.h"

#include <QStringList>
#include <QTemporaryDir>
#include <QThread>

// An executable named soffice in a folder of its own, standing in for
// LibreOffice: it records its parent process, the file named last and its
// arguments (last, so that once they are there the rest is too), then runs
// until it is let go, or a minute has passed.
class StandInSpreadsheet {
public:
    StandInSpreadsheet()
    {
        WriteAll(Program(), R"(#!/bin/sh
dir=$(dirname "$0")
echo "$PPID" > "$dir/parent"
for last; do :; done
cat "$last" > "$dir/file-seen"
printf '%s\n' "$@" > "$dir/new" && mv "$dir/new" "$dir/arguments"
n=0
while [ ! -e "$dir/release" ] && [ $n -lt 600 ]; do sleep 0.1; n=$((n + 1)); done
touch "$dir/ended"
)");
        QFile::setPermissions(Program(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    ~StandInSpreadsheet()
    {
        if (QFile::exists(Path("arguments")) && WriteAll(Path("release"), {}))
            WaitFor("ended");
    }

    QString Program() const { return Path("soffice"); }
    QString Folder() const { return dir_.path(); }
    bool WaitUntilStarted() const { return WaitFor("arguments"); }
    bool HasEnded() const { return QFile::exists(Path("ended")); }
    QStringList Arguments() const
    {
        return QString::fromUtf8(ReadAll(Path("arguments"))).split(u'\n', Qt::SkipEmptyParts);
    }
    qint64 Parent() const { return ReadAll(Path("parent")).trimmed().toLongLong(); }
    QByteArray FileSeen() const { return ReadAll(Path("file-seen")); }

private:
    QString Path(const char* name) const { return dir_.filePath(QLatin1String(name)); }
    // The stand-in runs on its own; a guard against waiting forever, not a measure.
    bool WaitFor(const char* name) const
    {
        for (int tries = 0; tries < 1500 && !QFile::exists(Path(name)); ++tries)
            QThread::msleep(100);
        return QFile::exists(Path(name));
    }

    QTemporaryDir dir_;
};
