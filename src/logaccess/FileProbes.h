#pragma once

#include <QString>

// Truth values as they cross routine boundaries in this program: -1 and 0.
using Truth = qint16;
constexpr Truth True = -1;
constexpr Truth False = 0;

// True when `path` names an ordinary file that is not hidden (a folder counts as absent).
Truth FileExists(const QString& path);

// True when `path` can be opened for reading and closed again.
Truth CanOpenFile(const QString& path);
