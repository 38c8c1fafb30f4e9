#include "CodePage932.h"

#include <QtEndian>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace {

constexpr const char* Utf16Name = QSysInfo::ByteOrder == QSysInfo::LittleEndian ? "UTF-16LE"
                                                                                 : "UTF-16BE";

iconv_t OpenConverter(const char* to, const char* from)
{
    iconv_t cd = iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1))
        throw std::runtime_error(std::string("iconv cannot convert ") + from + " to " + to);
    return cd;
}

} // namespace

CodePage932::CodePage932()
    : toUnicode_(OpenConverter(Utf16Name, "CP932")),
      fromUnicode_(OpenConverter("CP932", Utf16Name))
{
}

CodePage932::~CodePage932()
{
    iconv_close(toUnicode_);
    iconv_close(fromUnicode_);
}

void CodePage932::Decode(const char* bytes, qsizetype size, QString& out)
{
    if (size == 0) {
        // Keeps the storage: resizing a null string would allocate for nothing.
        if (!out.isEmpty())
            out.truncate(0);
        return;
    }
    if (out.size() != size)
        out.resize(size);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    unsigned char any = 0;
    for (qsizetype i = 0; i < size; ++i) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        any |= byte;
        dst[i] = byte;
    }
    if (any >= 0x80) // not plain ASCII after all
        DecodeSlow(bytes, size, out);
}

QString CodePage932::Decode(QByteArrayView bytes)
{
    QString out;
    Decode(bytes.data(), bytes.size(), out);
    return out;
}

void CodePage932::DecodeSlow(const char* bytes, qsizetype size, QString& out)
{
    // One code page 932 byte never gives more than one UTF-16 unit.
    out.resize(size);
    char* in = const_cast<char*>(bytes);
    size_t inLeft = static_cast<size_t>(size);
    char* dst = reinterpret_cast<char*>(out.data());
    size_t dstLeft = static_cast<size_t>(size) * 2;
    iconv(toUnicode_, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        if (iconv(toUnicode_, &in, &inLeft, &dst, &dstLeft) != static_cast<size_t>(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL)
            break;
        // A byte that starts no valid character stands for one replacement character.
        const char16_t replacement = 0xFFFD;
        std::memcpy(dst, &replacement, 2);
        dst += 2;
        dstLeft -= 2;
        ++in;
        --inLeft;
    }
    out.resize((dst - reinterpret_cast<char*>(out.data())) / 2);
}

char* CodePage932::EncodeTo(QStringView text, char* out)
{
    const char16_t* src = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (src[i] >= 0x80)
            return EncodeSlow(text.sliced(i), out + i);
        out[i] = static_cast<char>(src[i]);
    }
    return out + text.size();
}

QByteArray CodePage932::Encode(QStringView text)
{
    QByteArray out(text.size() * 2, Qt::Uninitialized);
    out.truncate(EncodeTo(text, out.data()) - out.data());
    return out;
}

char* CodePage932::EncodeSlow(QStringView text, char* out)
{
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.utf16()));
    size_t inLeft = static_cast<size_t>(text.size()) * 2;
    char* dst = out;
    size_t dstLeft = static_cast<size_t>(text.size()) * 2;
    iconv(fromUnicode_, nullptr, nullptr, nullptr, nullptr);
    while (inLeft > 0) {
        if (iconv(fromUnicode_, &in, &inLeft, &dst, &dstLeft) != static_cast<size_t>(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL)
            break;
        // Not representable (or a lone surrogate): one '?' for the whole character.
        char16_t unit;
        std::memcpy(&unit, in, 2);
        const size_t skip = QChar::isHighSurrogate(unit) && inLeft >= 4 ? 4 : 2;
        *dst++ = '?';
        --dstLeft;
        in += skip;
        inLeft -= skip;
    }
    return dst;
}
