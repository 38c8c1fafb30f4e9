#include "HdbRecordSource.h"

#include "ReadFullyAt.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char DeletedMark = 0x2A;

QByteArrayView UpToNul(QByteArrayView bytes)
{
    qsizetype n = 0; // texts are short: a loop beats a library call
    while (n < bytes.size() && bytes[n] != '\0')
        ++n;
    return bytes.first(n);
}

QByteArrayView TrimEnd(QByteArrayView bytes)
{
    // Most fields are mostly padding: skip it eight bytes at a time.
    constexpr quint64 Spaces = 0x2020202020202020ULL;
    const char* data = bytes.data();
    qsizetype size = bytes.size();
    quint64 word;
    while (size >= 8 && (std::memcpy(&word, data + size - 8, 8), word == Spaces))
        size -= 8;
    while (size > 0 && data[size - 1] == ' ')
        --size;
    return QByteArrayView(data, size);
}

QByteArrayView TrimStart(QByteArrayView bytes)
{
    while (!bytes.isEmpty() && bytes.front() == ' ')
        bytes = bytes.sliced(1);
    return bytes;
}

// Appends to a field buffer, never past its text space.
class FieldWriter {
public:
    explicit FieldWriter(char* buffer) : buffer_(buffer) {}
    void Append(QByteArrayView bytes)
    {
        const std::size_t n =
            std::min(static_cast<std::size_t>(bytes.size()), RecordSource::FieldBufferSize - size_);
        std::memcpy(buffer_ + size_, bytes.data(), n);
        size_ += n;
    }
    void Append(char c) { Append(QByteArrayView(&c, 1)); }
    void TwoDigits(unsigned value) // at least two digits
    {
        if (value >= 100)
            Number(value / 100);
        Append(static_cast<char>('0' + value / 10 % 10));
        Append(static_cast<char>('0' + value % 10));
    }
    void Number(unsigned value)
    {
        char digits[10];
        int n = 0;
        do {
            digits[sizeof digits - ++n] = static_cast<char>('0' + value % 10);
            value /= 10;
        } while (value != 0);
        Append(QByteArrayView(digits + sizeof digits - n, n));
    }
    void Finish() { buffer_[size_] = '\0'; }

private:
    char* buffer_;
    std::size_t size_ = 0;
};

} // namespace

HdbRecordSource::HdbRecordSource(std::size_t bufferSize) : buffer_(bufferSize) {}

HdbRecordSource::~HdbRecordSource()
{
    HamlogClose();
}

int HdbRecordSource::HamlogOpen(const QString& path)
{
    HamlogClose();
    openError_.clear();
    const QByteArray name = QFile::encodeName(path);
    fd_ = ::open(name.constData(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0) {
        openError_ = QString::fromLocal8Bit(std::strerror(errno));
        return 1;
    }
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !S_ISREG(info.st_mode)) {
        openError_ = QStringLiteral("not a regular file");
        HamlogClose();
        return 1;
    }

    QByteArray header(HdbLayout::FileHeaderSize, '\0');
    std::optional<int> length;
    if (ReadFullyAt(fd_, header.data(), header.size(), 0) == header.size())
        length = HdbLayout::HeaderLength(header);
    std::optional<HdbLayout> layout;
    if (length) {
        header.resize(*length);
        const std::size_t rest = static_cast<std::size_t>(*length - HdbLayout::FileHeaderSize);
        const ssize_t got =
            ReadFullyAt(fd_, header.data() + HdbLayout::FileHeaderSize, rest, HdbLayout::FileHeaderSize);
        header.resize(HdbLayout::FileHeaderSize + std::max<ssize_t>(got, 0));
        layout = HdbLayout::Parse(header, &openError_);
    } else {
        openError_ = QStringLiteral("not a HAMLOG.HDB database (file header)");
    }
    if (!layout || static_cast<std::size_t>(layout->recordLength) > buffer_.size()) {
        if (layout)
            openError_ = QStringLiteral("record length %1 is too long").arg(layout->recordLength);
        HamlogClose();
        return 1;
    }
    layout_ = *layout;
    layout_.recordCount = layout_.RecordsToRead(info.st_size);
    Rewind();
    return 0;
}

void HdbRecordSource::HamlogClose()
{
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    current_ = nullptr;
    liveRead_ = 0;
}

void HdbRecordSource::Rewind()
{
    begin_ = end_ = 0;
    eof_ = false;
    physicalRead_ = 0;
    liveRead_ = 0;
    current_ = nullptr;
    offset_ = layout_.headerLength;
}

int HdbRecordSource::THW_read(qint32 recordNo)
{
    if (fd_ < 0 || recordNo < 1)
        return 1;
    if (recordNo <= liveRead_)
        Rewind();
    while (liveRead_ < recordNo) {
        if (!NextLiveRecord()) {
            current_ = nullptr;
            return 1;
        }
    }
    return 0;
}

bool HdbRecordSource::Fill(std::size_t wanted)
{
    if (end_ - begin_ >= wanted)
        return true;
    if (eof_)
        return false;
    std::memmove(buffer_.data(), buffer_.data() + begin_, end_ - begin_);
    end_ -= begin_;
    begin_ = 0;
    const ssize_t got = ReadFullyAt(fd_, buffer_.data() + end_, buffer_.size() - end_, offset_);
    if (got <= 0 || static_cast<std::size_t>(got) < buffer_.size() - end_)
        eof_ = true; // a read error counts as the end, as the library did
    if (got > 0) {
        end_ += static_cast<std::size_t>(got);
        offset_ += got;
    }
    return end_ - begin_ >= wanted;
}

bool HdbRecordSource::NextLiveRecord()
{
    const auto length = static_cast<std::size_t>(layout_.recordLength);
    while (physicalRead_ < layout_.recordCount) {
        if (!Fill(length))
            return false; // cut short: only whole records exist
        const char* record = buffer_.data() + begin_;
        begin_ += length;
        ++physicalRead_;
        if (record[0] == DeletedMark)
            continue;
        current_ = record;
        ++liveRead_;
        return true;
    }
    return false;
}

QByteArrayView HdbRecordSource::Bytes(HdbLayout::Field field) const
{
    const HdbLayout::Span span = layout_.fields[field];
    return QByteArrayView(current_ + span.offset, span.length);
}

QByteArrayView HdbRecordSource::Text(HdbLayout::Field field) const
{
    // Trimming first leaves memchr little to search, with the same result: the
    // first zero byte comes before the trailing spaces.
    const QByteArrayView trimmed = TrimEnd(Bytes(field));
    const QByteArrayView text = UpToNul(trimmed);
    return text.size() == trimmed.size() ? text : TrimEnd(text);
}

quint16 HdbRecordSource::Flag() const
{
    const QByteArrayView flag = Bytes(HdbLayout::Flag);
    return flag.size() == 2 ? qFromLittleEndian<quint16>(flag.data()) : 0;
}

void HdbRecordSource::WriteCallsign(char* buffer) const
{
    const QByteArrayView calls = Text(HdbLayout::Calls);
    const QByteArrayView ign = UpToNul(Bytes(HdbLayout::Ign));
    qsizetype split = 0;
    while (split < ign.size() && ign[split] != ' ')
        ++split;
    const QByteArrayView overflow = ign.first(split);
    const QByteArrayView rest = TrimEnd(TrimStart(ign.sliced(split)));

    FieldWriter out(buffer);
    constexpr quint16 Foreign = 0x0008, Reversed = 0x0002;
    if ((Flag() & (Foreign | Reversed)) == (Foreign | Reversed)) {
        const qsizetype slash = rest.indexOf('/');
        const QByteArrayView prefix = slash < 0 ? rest : rest.first(slash);
        const QByteArrayView tail = slash < 0 ? QByteArrayView() : rest.sliced(slash + 1);
        if (!prefix.isEmpty()) {
            out.Append(prefix);
            out.Append('/');
        }
        out.Append(TrimStart(calls));
        out.Append(overflow);
        if (!tail.isEmpty()) {
            out.Append('/');
            out.Append(tail);
        }
    } else {
        out.Append(calls);
        out.Append(overflow);
        if (!rest.isEmpty()) {
            out.Append('/');
            out.Append(rest);
        }
    }
    out.Finish();
}

void HdbRecordSource::ThwString(char* buffer, qint16 field)
{
    FieldWriter out(buffer);
    if (!current_) {
        out.Finish();
        return;
    }
    // Field numbers of the logging program's own library, not descriptor order.
    static constexpr HdbLayout::Field TextFields[] = {
        HdbLayout::Calls, HdbLayout::Ign,  HdbLayout::Date, HdbLayout::Time, HdbLayout::His,
        HdbLayout::My,    HdbLayout::Freq, HdbLayout::Mode, HdbLayout::Code, HdbLayout::Gl,
        HdbLayout::Qsl,   HdbLayout::Name, HdbLayout::Qth,  HdbLayout::Rmk1, HdbLayout::Rmk2,
    };
    switch (field) {
    case 0:
        WriteCallsign(buffer);
        return;
    case 2: {
        const QByteArrayView date = Bytes(HdbLayout::Date);
        out.TwoDigits(static_cast<unsigned char>(date[1]));
        out.Append('/');
        out.TwoDigits(static_cast<unsigned char>(date[2]));
        out.Append('/');
        out.TwoDigits(static_cast<unsigned char>(date[3]));
        break;
    }
    case 3: {
        const QByteArrayView time = Bytes(HdbLayout::Time);
        const auto minuteByte = static_cast<unsigned char>(time[1]);
        out.TwoDigits(static_cast<unsigned char>(time[0]) & 0x3F);
        out.Append(':');
        out.TwoDigits(minuteByte & 0x7F);
        out.Append(minuteByte & 0x80 ? 'U' : 'J');
        break;
    }
    case 10:
        out.Append(Bytes(HdbLayout::Qsl)); // the marks exactly as stored
        break;
    case 15:
        out.Number(Flag());
        break;
    default:
        if (field >= 0 && field < 15)
            out.Append(Text(TextFields[field]));
        break;
    }
    out.Finish();
}
