#pragma once

#include <QByteArray>
#include <QString>

// File names on Linux are bytes, not text: a name made on Windows is often
// Shift-JIS. These map names to QString and back without loss: bytes that are
// valid UTF-8 become their characters, every other byte b becomes the lone
// surrogate U+DC00 + b (which UTF-8 can never yield), and back again.
class PathBytes {
public:
    static QString Decode(QByteArrayView bytes);
    static QByteArray Encode(QStringView path);

    // `path` made absolute against the current folder's own bytes.
    static QString Absolute(const QString& path);

    // The file meant by a name that Qt decoded with loss: a file dialog shows a
    // name that is not UTF-8 with U+FFFD in place of its bytes, so the path it
    // returns names no file. Each such part of `path` becomes the one entry of
    // its folder that Qt shows that way; `path` comes back as it is when it
    // names a file or when no entry, or more than one, fits.
    static QString Recover(const QString& path);
};
