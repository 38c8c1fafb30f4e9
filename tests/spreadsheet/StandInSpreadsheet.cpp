#include "StandInSpreadsheet.h"

#include <QFile>
#include <QThread>

namespace {

// "arguments" is written last, so once it is there the rest is too.
constexpr char Script[] = R"(#!/bin/sh
dir=$(dirname "$0")
echo "$PPID" > "$dir/parent"
for last; do :; done
cat "$last" > "$dir/file-seen" 2>/dev/null
for argument in "$@"; do printf '%s\n' "$argument"; done > "$dir/arguments.part"
mv "$dir/arguments.part" "$dir/arguments"
tries=0
while [ ! -e "$dir/release" ] && [ $tries -lt 600 ]; do sleep 0.1; tries=$((tries + 1)); done
if [ -e "$dir/release" ]; then echo released; else echo gave-up; fi > "$dir/outcome"
)";

// The stand-in runs on its own; a guard against waiting forever, not a measure.
bool WaitFor(const QString& path)
{
    for (int tries = 0; tries < 1500 && !QFile::exists(path); ++tries)
        QThread::msleep(100);
    return QFile::exists(path);
}

} // namespace

StandInSpreadsheet::StandInSpreadsheet()
{
    QFile file(Program());
    if (!dir_.isValid() || !file.open(QIODevice::WriteOnly) ||
        file.write(Script, sizeof Script - 1) != qint64(sizeof Script - 1))
        return;
    // Closed before anyone runs it: a file open for writing cannot be executed.
    file.close();
    valid_ = file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner |
                                 QFileDevice::ExeOwner);
}

QString StandInSpreadsheet::Program() const
{
    return dir_.filePath(QStringLiteral("soffice"));
}

bool StandInSpreadsheet::WaitUntilStarted() const
{
    return WaitFor(dir_.filePath(QStringLiteral("arguments")));
}

bool StandInSpreadsheet::HasEnded() const
{
    return QFile::exists(dir_.filePath(QStringLiteral("outcome")));
}

QStringList StandInSpreadsheet::Arguments() const
{
    return QString::fromUtf8(Read(QStringLiteral("arguments"))).split(u'\n', Qt::SkipEmptyParts);
}

qint64 StandInSpreadsheet::Parent() const
{
    return Read(QStringLiteral("parent")).trimmed().toLongLong();
}

QByteArray StandInSpreadsheet::FileSeen() const
{
    return Read(QStringLiteral("file-seen"));
}

QByteArray StandInSpreadsheet::Release() const
{
    QFile(dir_.filePath(QStringLiteral("release"))).open(QIODevice::WriteOnly);
    const QString outcome = dir_.filePath(QStringLiteral("outcome"));
    if (!WaitFor(outcome))
        return {};
    // Written in one go by the shell, but it may still be on its way.
    for (int tries = 0; tries < 100 && Read(QStringLiteral("outcome")).isEmpty(); ++tries)
        QThread::msleep(10);
    return Read(QStringLiteral("outcome")).trimmed();
}

QByteArray StandInSpreadsheet::Read(const QString& name) const
{
    QFile file(dir_.filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}
