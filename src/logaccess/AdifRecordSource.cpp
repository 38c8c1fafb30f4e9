#include "AdifRecordSource.h"

#include "CodePage932Bytes.h"
#include "FileProbes.h"
#include "ReadFullyAt.h"

#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::size_t MinimumBuffer = 4096;
constexpr std::size_t MaxSpecifier = 128; // "<", name, ":", length, ":", type, ">"
constexpr std::size_t MaxDigits = 9;

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool IsAscii(const char* bytes, std::size_t size)
{
    constexpr quint64 HighBits = 0x8080808080808080ULL;
    std::size_t i = 0;
    for (quint64 word; i + 8 <= size; i += 8) {
        std::memcpy(&word, bytes + i, 8);
        if (word & HighBits)
            return false;
    }
    for (; i < size; ++i) {
        if (bytes[i] & 0x80)
            return false;
    }
    return true;
}

bool IsContinuation(unsigned char byte)
{
    return (byte & 0xC0) == 0x80;
}

bool NameIs(QByteArrayView name, QByteArrayView upper)
{
    if (name.size() != upper.size())
        return false;
    for (qsizetype i = 0; i < name.size(); ++i) {
        const char c = name[i] >= 'a' && name[i] <= 'z' ? static_cast<char>(name[i] - 32) : name[i];
        if (c != upper[i])
            return false;
    }
    return true;
}

// Counts characters of a value across buffer refills: a UTF-8 sequence or a
// Shift-JIS double-byte character is one, and so is a byte that starts none.
class CharacterCounter {
public:
    CharacterCounter(AdifRecord::Text text, std::size_t characters)
        : utf8_(text == AdifRecord::Text::Utf8), left_(characters)
    {
    }
    // Bytes of `bytes` that belong to the value; stops at the first byte after it.
    std::size_t Consume(const char* bytes, std::size_t size)
    {
        std::size_t used = 0;
        for (; used < size; ++used) {
            const auto byte = static_cast<unsigned char>(bytes[used]);
            if (trail_ > 0 && (!utf8_ || IsContinuation(byte))) {
                --trail_;
                continue;
            }
            trail_ = 0;
            if (left_ == 0)
                break;
            --left_;
            if (utf8_)
                trail_ = byte >= 0xF0 && byte < 0xF8 ? 3 : byte >= 0xE0 ? 2 : byte >= 0xC0 ? 1 : 0;
            else
                trail_ = CodePage932Bytes::KindOf(byte) == CodePage932Bytes::Lead ? 1 : 0;
        }
        return used;
    }
    // Every character counted, and no byte of the last one outstanding.
    bool Done() const { return left_ == 0 && trail_ == 0; }

private:
    bool utf8_;
    std::size_t left_;
    int trail_ = 0;
};

} // namespace

AdifRecordSource::AdifRecordSource(std::size_t bufferSize)
    : bufferSize_(std::max(bufferSize, MinimumBuffer))
{
    buffer_.reset(static_cast<char*>(std::calloc(bufferSize_, 1)));
    if (!buffer_)
        throw std::bad_alloc();
}

AdifRecordSource::~AdifRecordSource()
{
    HamlogClose();
}

int AdifRecordSource::HamlogOpen(const QString& path)
{
    HamlogClose();
    opened_.reset();
    const int fd = OpenLogFile(path, &openError_);
    if (fd < 0)
        return 1;
    return OpenDescriptor(fd);
}

int AdifRecordSource::OpenDescriptor(int fd)
{
    HamlogClose();
    hasLast_ = false;
    openError_.clear();
    opened_.reset();
    const std::optional<struct stat> status = RegularFileStatus(fd, &openError_);
    if (!status)
        return 1;
    fd_ = fd;
    const struct stat& info = *status;
    opened_ = FileId::Of(info);
    limit_ = info.st_size; // text that grows after the open is not read
    text_ = DetectText();
    Rewind();
    return 0;
}

void AdifRecordSource::HamlogClose()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    hasRecord_ = false;
    recordsRead_ = 0;
}

void AdifRecordSource::Rewind()
{
    begin_ = end_ = 0;
    offset_ = 0;
    eof_ = limit_ == 0;
    endMarker_ = false;
    recordsRead_ = 0;
    hasRecord_ = false;
}

bool AdifRecordSource::Refill(std::size_t size)
{
    while (end_ - begin_ < size && !eof_) {
        std::memmove(buffer_.get(), buffer_.get() + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
        const std::size_t wanted =
            std::min(bufferSize_ - end_, static_cast<std::size_t>(limit_ - offset_));
        const ssize_t got = ReadFullyAt(fd_, buffer_.get() + end_, wanted, offset_);
        if (got > 0) {
            end_ += static_cast<std::size_t>(got);
            offset_ += got;
        }
        // A read error, or a file cut short since the open, ends the text.
        if (got <= 0 || offset_ == limit_ || static_cast<std::size_t>(got) < wanted)
            eof_ = true;
    }
    return end_ - begin_ >= size;
}

AdifRecord::Text AdifRecordSource::DetectText()
{
    // UTF-8 is strict: Shift-JIS text almost never passes as UTF-8, so text
    // that mostly does is UTF-8, and a stray bad byte in it becomes U+FFFD.
    Rewind();
    if (Ensure(3) && std::memcmp(buffer_.get(), "\xEF\xBB\xBF", 3) == 0)
        return AdifRecord::Text::Utf8;
    std::size_t valid = 0, invalid = 0;
    while (Ensure(1)) {
        const auto* bytes = reinterpret_cast<const unsigned char*>(buffer_.get());
        // Nearly every byte of a log is ASCII: pass it eight bytes at a time.
        constexpr quint64 HighBits = 0x8080808080808080ULL;
        quint64 word;
        while (end_ - begin_ >= 8 &&
               (std::memcpy(&word, bytes + begin_, 8), (word & HighBits) == 0))
            begin_ += 8;
        if (begin_ == end_)
            continue;
        if (bytes[begin_] < 0x80) {
            ++begin_;
            continue;
        }
        Ensure(4);
        const std::size_t available = end_ - begin_;
        const unsigned char lead = bytes[begin_];
        const std::size_t trail = lead >= 0xC2 && lead <= 0xDF   ? 1
                                  : lead >= 0xE0 && lead <= 0xEF ? 2
                                  : lead >= 0xF0 && lead <= 0xF4 ? 3
                                                                 : 0;
        std::size_t n = 1;
        while (n <= trail && n < available && IsContinuation(bytes[begin_ + n]))
            ++n;
        if (trail > 0 && n == trail + 1) {
            ++valid;
            begin_ += n;
        } else {
            ++invalid;
            ++begin_;
        }
    }
    return valid > 0 && invalid * 4 <= valid
               ? AdifRecord::Text::Utf8
               : (invalid > 0 ? AdifRecord::Text::ShiftJis : AdifRecord::Text::Utf8);
}

bool AdifRecordSource::LooksLikeAdif(QByteArrayView start)
{
    if (start.startsWith("\xEF\xBB\xBF"))
        start = start.sliced(3);
    while (!start.isEmpty() && IsSpace(start.front()))
        start = start.sliced(1);
    if (start.startsWith('<')) {
        // A data specifier: a name, ":", digits, an optional ":" and type, ">".
        const qsizetype close =
            start.first(std::min<qsizetype>(start.size(), MaxSpecifier)).indexOf('>');
        const qsizetype colon = start.indexOf(':');
        if (close > 0 && colon > 1 && colon < close) {
            qsizetype i = colon + 1;
            while (i < close && start[i] >= '0' && start[i] <= '9')
                ++i;
            if (i > colon + 1 && (i == close || start[i] == ':'))
                return true;
        }
    }
    for (qsizetype at = start.indexOf('<'); at >= 0; at = start.indexOf('<', at + 1)) {
        if (NameIs(start.sliced(at + 1).first(std::min<qsizetype>(4, start.size() - at - 1)),
                   "EOH>"))
            return true;
    }
    return false;
}

int AdifRecordSource::THW_read(qint32 recordNo)
{
    hasRecord_ = false;
    if (fd_ < 0 || recordNo < 1)
        return 1;
    if (recordNo <= recordsRead_)
        Rewind();
    while (recordsRead_ < recordNo) {
        if (!NextRecord(recordsRead_ + 1 == recordNo))
            return 1;
        ++recordsRead_;
    }
    filling_ ^= 1; // the record just read becomes the last one
    hasRecord_ = hasLast_ = true;
    return 0;
}

void AdifRecordSource::ThwString(char* buffer, qint16 field)
{
    if (!hasRecord_) {
        buffer[0] = '\0';
        return;
    }
    Last().Write(buffer, field, text_, codec_);
}

QByteArrayView AdifRecordSource::FieldText(qint16 field, char* scratch)
{
    if (!hasLast_)
        return {};
    Last().Write(scratch, field, text_, codec_);
    return QByteArrayView(scratch, static_cast<qsizetype>(std::strlen(scratch)));
}

bool AdifRecordSource::NextRecord(bool keep)
{
    Filling().Clear();
    bool fields = false;
    while (!endMarker_ && SkipToTag()) {
        const Specifier specifier = ReadSpecifier();
        switch (specifier.tag) {
        case Tag::None:
            ++begin_; // a "<" that starts no specifier is text
            break;
        case Tag::EndOfRecord:
            if (fields) // a record without fields takes no number
                return true;
            break;
        case Tag::EndOfHeader:
            Filling().Clear(); // what came before was the header
            fields = false;
            break;
        case Tag::Other:
            endMarker_ = specifier.endOfFile;
            break;
        case Tag::Field:
            fields = true;
            if (!ReadValue(specifier.length, keep ? specifier.key : AdifRecord::KeyCount))
                return false; // cut short by the end of the file
            break;
        }
    }
    return false;
}

bool AdifRecordSource::SkipToTag()
{
    for (;;) {
        const void* at = std::memchr(buffer_.get() + begin_, '<', end_ - begin_);
        if (at) {
            begin_ = static_cast<std::size_t>(static_cast<const char*>(at) - buffer_.get());
            return true;
        }
        begin_ = end_;
        if (!Ensure(1))
            return false;
    }
}

AdifRecordSource::Specifier AdifRecordSource::ReadSpecifier()
{
    // Byte by byte: names are short, and this runs for every field of a log.
    Ensure(MaxSpecifier);
    const char* text = buffer_.get() + begin_;
    const std::size_t size = std::min(end_ - begin_, MaxSpecifier);
    Specifier result;
    std::size_t i = 1;
    while (i < size && text[i] != ':' && text[i] != '>' && text[i] != '<')
        ++i;
    if (i >= size || text[i] == '<' || i == 1)
        return result;
    const QByteArrayView name(text + 1, static_cast<qsizetype>(i - 1));
    std::size_t close = i;
    if (text[i] == ':') {
        std::size_t digits = 0;
        for (++i; i < size && text[i] >= '0' && text[i] <= '9'; ++i, ++digits)
            result.length = result.length * 10 + static_cast<std::size_t>(text[i] - '0');
        if (digits == 0 || digits > MaxDigits || i >= size)
            return result;
        if (text[i] == ':') { // a type indicator
            while (i < size && text[i] != '>' && text[i] != '<')
                ++i;
        }
        if (i >= size || text[i] != '>')
            return result;
        close = i;
        result.tag = Tag::Field;
        result.key = AdifRecord::KeyOf(name);
    } else {
        result.tag = NameIs(name, "EOR")   ? Tag::EndOfRecord
                     : NameIs(name, "EOH") ? Tag::EndOfHeader
                                           : Tag::Other;
    }
    if (result.key == AdifRecord::KeyCount && NameIs(name, "APP_LOTW_EOF")) {
        result.endOfFile = true;
        result.tag = Tag::Other;
    }
    begin_ += close + 1;
    return result;
}

bool AdifRecordSource::PlausibleEnd(std::size_t at) const
{
    // A value ends where the next specifier, or the end of the file, follows
    // after nothing but white space.
    while (at < end_ && IsSpace(buffer_[at]))
        ++at;
    return at < end_ ? buffer_[at] == '<' : true;
}

bool AdifRecordSource::ReadValue(std::size_t length, AdifRecord::Key key)
{
    // ADIF counts characters, but many writers count bytes: where the two differ,
    // the count after which the next specifier follows wins.
    const bool utf8 = text_ == AdifRecord::Text::Utf8;
    const std::size_t perCharacter = utf8 ? 4 : 2;
    const std::size_t window = bufferSize_ - MaxSpecifier;
    if (length > window / perCharacter) {
        if (key != AdifRecord::KeyCount) {
            // Its start is all a field can show; `length` bytes never run past it.
            const std::size_t kept = std::min(length, AdifRecord::MaxValue);
            Ensure(kept);
            Filling().Set(key,
                          QByteArrayView(buffer_.get() + begin_,
                                         static_cast<qsizetype>(std::min(end_ - begin_, kept))));
        }
        return SkipValue(length, utf8);
    }
    Ensure(length * perCharacter + MaxSpecifier);
    const std::size_t available = end_ - begin_;
    if (length <= available && IsAscii(buffer_.get() + begin_, length) &&
        (length == available || static_cast<unsigned char>(buffer_[begin_ + length]) < 0x80)) {
        // Plain ASCII followed by ASCII: characters and bytes agree.
        if (key != AdifRecord::KeyCount)
            Filling().Set(key,
                          QByteArrayView(buffer_.get() + begin_, static_cast<qsizetype>(length)));
        begin_ += length;
        return true;
    }
    CharacterCounter counter(text_, length);
    const std::size_t charBytes = counter.Consume(buffer_.get() + begin_, available);
    const bool charsFit = counter.Done();
    const bool bytesFit = length <= available;
    std::size_t size;
    if (charsFit && bytesFit && charBytes != length) {
        const bool byteEnd = PlausibleEnd(begin_ + length);
        // Counted as characters, a value written with a byte count swallows the
        // next specifier: it holds a "<" the shorter reading leaves outside.
        const bool charEnd =
            PlausibleEnd(begin_ + charBytes) &&
            !(byteEnd && std::memchr(buffer_.get() + begin_ + length, '<', charBytes - length));
        // UTF-8 files follow the ADIF rule first, Shift-JIS files their writers' bytes.
        const bool preferChars = utf8 ? charEnd || !byteEnd : charEnd && !byteEnd;
        size = preferChars ? charBytes : length;
    } else if (charsFit) {
        size = charBytes;
    } else if (bytesFit) {
        size = length;
    } else {
        begin_ = end_;
        return false;
    }
    if (key != AdifRecord::KeyCount)
        Filling().Set(key, QByteArrayView(buffer_.get() + begin_, static_cast<qsizetype>(size)));
    begin_ += size;
    return true;
}

bool AdifRecordSource::SkipValue(std::size_t length, bool characters)
{
    CharacterCounter counter(text_, length);
    std::size_t bytesLeft = length;
    for (;;) {
        if (begin_ == end_ && !Ensure(1))
            return characters ? counter.Done() : bytesLeft == 0;
        const std::size_t available = end_ - begin_;
        if (characters) {
            const std::size_t used = counter.Consume(buffer_.get() + begin_, available);
            begin_ += used;
            if (used < available)
                return true;
        } else {
            const std::size_t used = std::min(available, bytesLeft);
            begin_ += used;
            bytesLeft -= used;
            if (bytesLeft == 0)
                return true;
        }
    }
}
