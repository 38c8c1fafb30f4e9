#include "CodePage932.h"

#include <QtEndian>

#include <cerrno>
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

bool IsAscii(const char* bytes, qsizetype size)
{
    unsigned char any = 0;
    for (qsizetype i = 0; i < size; ++i)
        any |= static_cast<unsigned char>(bytes[i]);
    return any < 0x80;
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
    if (!IsAscii(bytes, size)) {
        DecodeSlow(bytes, size, out);
        return;
    }
    out.resize(size);
    char16_t* dst = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < size; ++i)
        dst[i] = static_cast<unsigned char>(bytes[i]);
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

void CodePage932::AppendEncoded(QStringView text, QByteArray& out)
{
    const qsizetype start = out.size();
    out.resize(start + text.size());
    char* dst = out.data() + start;
    const char16_t* src = text.utf16();
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (src[i] >= 0x80) {
            out.resize(start);
            EncodeSlow(text, out);
            return;
        }
        dst[i] = static_cast<char>(src[i]);
    }
}

QByteArray CodePage932::Encode(QStringView text)
{
    QByteArray out;
    AppendEncoded(text, out);
    return out;
}

void CodePage932::EncodeSlow(QStringView text, QByteArray& out)
{
    // Code page 932 needs at most two bytes for one UTF-16 unit.
    const qsizetype start = out.size();
    out.resize(start + text.size() * 2);
    char* in = reinterpret_cast<char*>(const_cast<char16_t*>(text.utf16()));
    size_t inLeft = static_cast<size_t>(text.size()) * 2;
    char* dst = out.data() + start;
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
    out.resize(dst - out.data());
}
