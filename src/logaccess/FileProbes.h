#pragma once

#include "FileId.h"

#include <QString>

#include <optional>
#include <sys/stat.h>

// Truth values as they cross routine boundaries in this program: -1 and 0.
using Truth = qint16;
constexpr Truth True = -1;
constexpr Truth False = 0;

// True when `path` names an ordinary file that is not hidden (a folder counts as absent).
Truth FileExists(const QString& path);

// True when `path` can be opened for reading and closed again.
Truth CanOpenFile(const QString& path);

// What opening `path` for reading found: the file, or the system's reason why
// it could not be opened (empty for an empty path).
struct OpenProbe {
    bool Opened = false;
    FileId File;
    QString Reason;
};
OpenProbe ProbeOpen(const QString& path);

// Opens the log at `path` for reading and checks what was opened, not the name,
// so nothing can be swapped in between: a descriptor of an ordinary file, or -1
// with the reason. Never waits for a writer, as opening a named pipe would.
int OpenLogFile(const QString& path, QString* reason, FileId* file = nullptr);

// What a record source needs of a log it is handed open: the file's status when
// `fd` is an ordinary file; otherwise nothing, with `fd` closed and the reason
// in `reason`.
std::optional<struct stat> RegularFileStatus(int fd, QString* reason);

// The system's description of the error number `error`.
QString SystemReason(int error);
