#include "PathBytes.h"

#include <QDir>
#include <QFile>
#include <QStringList>

#include <dirent.h>
#include <filesystem>
#include <sys/stat.h>

namespace {

constexpr char16_t EscapeBase = 0xDC00;

// The length of the valid UTF-8 sequence at the start of `s`, 0 when there is none.
int Utf8Length(const unsigned char* s, qsizetype size, char32_t* code)
{
    const unsigned char c = s[0];
    int length;
    char32_t min;
    if (c < 0x80) {
        *code = c;
        return 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
        length = 2, min = 0x80, *code = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
        length = 3, min = 0x800, *code = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        length = 4, min = 0x10000, *code = c & 0x07;
    } else {
        return 0;
    }
    if (size < length)
        return 0;
    for (int i = 1; i < length; ++i) {
        if ((s[i] & 0xC0) != 0x80)
            return 0;
        *code = (*code << 6) | (s[i] & 0x3F);
    }
    const bool surrogate = *code >= 0xD800 && *code <= 0xDFFF;
    return *code < min || *code > 0x10FFFF || surrogate ? 0 : length;
}

bool Exists(const QString& path)
{
    struct stat info {};
    return ::lstat(PathBytes::Encode(path).constData(), &info) == 0;
}

} // namespace

QString PathBytes::Decode(QByteArrayView bytes)
{
    QString text;
    text.reserve(bytes.size());
    const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
    for (qsizetype i = 0; i < bytes.size();) {
        char32_t code;
        const int length = Utf8Length(s + i, bytes.size() - i, &code);
        if (length == 0) {
            text += QChar(EscapeBase + s[i]);
            ++i;
        } else {
            text += QString::fromUcs4(&code, 1);
            i += length;
        }
    }
    return text;
}

QByteArray PathBytes::Encode(QStringView path)
{
    QByteArray bytes;
    bytes.reserve(path.size());
    for (qsizetype i = 0; i < path.size(); ++i) {
        const char16_t c = path[i].unicode();
        const bool pair = QChar::isHighSurrogate(c) && i + 1 < path.size() &&
                          QChar::isLowSurrogate(path[i + 1].unicode());
        if (c >= EscapeBase + 0x80 && c <= EscapeBase + 0xFF) {
            bytes += static_cast<char>(c - EscapeBase);
        } else if (pair) {
            bytes += path.sliced(i, 2).toUtf8();
            ++i;
        } else {
            bytes += path.sliced(i, 1).toUtf8(); // a lone surrogate becomes U+FFFD
        }
    }
    return bytes;
}

QString PathBytes::Absolute(const QString& path)
{
    if (path.startsWith(u'/'))
        return QDir::cleanPath(path);
    std::error_code error;
    const std::string folder = std::filesystem::current_path(error).native();
    return QDir::cleanPath(Decode(QByteArrayView(folder.data(), qsizetype(folder.size()))) + u'/' +
                           path);
}

QString PathBytes::Recover(const QString& path)
{
    if (!path.contains(QChar::ReplacementCharacter) || Exists(path))
        return path;
    const QStringList parts = path.split(u'/');
    QString found = parts.first();
    for (qsizetype i = 1; i < parts.size(); ++i) {
        const QString folder = found.isEmpty() ? QStringLiteral("/") : found;
        QString next = found + u'/' + parts[i];
        if (parts[i].contains(QChar::ReplacementCharacter) && !Exists(next)) {
            DIR* dir = ::opendir(Encode(folder).constData());
            if (!dir)
                return path;
            int matches = 0;
            while (const dirent* entry = ::readdir(dir)) {
                if (QFile::decodeName(entry->d_name) == parts[i]) {
                    next = found + u'/' + Decode(entry->d_name);
                    ++matches;
                }
            }
            ::closedir(dir);
            if (matches != 1)
                return path;
        }
        found = next;
    }
    return found;
}
