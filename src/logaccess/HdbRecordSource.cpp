#include "HdbRecordSource.h"

#include "ByteWords.h"
#include "FileProbes.h"
#include "HdbFieldBytes.h"
#include "ReadFullyAt.h"

#include <QFile>
#include <QtEndian>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace HdbFieldBytes;

constexpr char DeletedMark = 0x2A;

} // namespace

HdbRecordSource::HdbRecordSource(std::size_t bufferSize) : ahead_(bufferSize) {}

HdbRecordSource::~HdbRecordSource()
{
    HamlogClose();
}

int HdbRecordSource::HamlogOpen(const QString& path)
{
    HamlogClose();
    opened_.reset();
    const int fd = OpenLogFile(path, &openError_);
    if (fd < 0)
        return 1;
    return OpenDescriptor(fd);
}

int HdbRecordSource::OpenDescriptor(int fd)
{
    HamlogClose();
    openError_.clear();
    opened_.reset();
    const std::optional<struct stat> status = RegularFileStatus(fd, &openError_);
    if (!status)
        return 1;
    fd_ = fd;
    const struct stat& info = *status;
    opened_ = FileId::Of(info);
    fileSize_ = info.st_size; // what is appended after the open is not read

    QByteArray header(HdbLayout::FileHeaderSize, '\0');
    std::optional<int> length;
    if (ReadFullyAt(fd_, header.data(), header.size(), 0) == header.size())
        length = HdbLayout::HeaderLength(header);
    std::optional<HdbLayout> layout;
    if (length) {
        header.resize(*length);
        const std::size_t rest = static_cast<std::size_t>(*length - HdbLayout::FileHeaderSize);
        const ssize_t got = ReadFullyAt(fd_, header.data() + HdbLayout::FileHeaderSize, rest,
                                        HdbLayout::FileHeaderSize);
        header.resize(HdbLayout::FileHeaderSize + std::max<ssize_t>(got, 0));
        layout = HdbLayout::Parse(header, &openError_);
    } else {
        openError_ = QStringLiteral("not a HAMLOG.HDB database (file header)");
    }
    if (!layout || static_cast<std::size_t>(layout->recordLength) > ahead_.BlockSize()) {
        if (layout)
            openError_ = QStringLiteral("record length %1 is too long").arg(layout->recordLength);
        HamlogClose();
        return 1;
    }
    layout_ = *layout;
    last_ = current_ = nullptr;
    layout_.recordCount = layout_.RecordsToRead(info.st_size);
    Rewind();
    return 0;
}

void HdbRecordSource::HamlogClose()
{
    ahead_.Stop(); // before its file goes; the record last read stays where it is
    reading_ = false;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    current_ = nullptr;
    liveRead_ = 0;
}

void HdbRecordSource::HoldLast()
{
    if (!last_ || last_ == held_.data())
        return;
    held_.assign(last_, last_ + layout_.recordLength);
    if (current_ == last_)
        current_ = held_.data();
    last_ = held_.data();
}

void HdbRecordSource::Rewind()
{
    HoldLast();
    ahead_.Stop();
    reading_ = false;
    block_ = {};
    blockPos_ = 0;
    physicalRead_ = 0;
    liveRead_ = 0;
    current_ = nullptr;
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

// The next whole record in the file, in place in a block or put together from
// the ends of two; nullptr at the end of the bytes.
const char* HdbRecordSource::NextRecordBytes()
{
    const auto length = static_cast<std::size_t>(layout_.recordLength);
    if (block_.size() - blockPos_ >= length) {
        const char* record = block_.data() + blockPos_;
        blockPos_ += length;
        return record;
    }
    HoldLast(); // the blocks and the stitched record are about to be reused
    std::size_t have = block_.size() - blockPos_;
    stitch_.resize(length);
    if (have > 0)
        std::memcpy(stitch_.data(), block_.data() + blockPos_, have);
    for (;;) {
        if (!reading_) {
            ahead_.Start(fd_, layout_.headerLength, fileSize_);
            reading_ = true;
        }
        block_ = ahead_.Next();
        blockPos_ = 0;
        if (block_.empty())
            return nullptr; // a read error counts as the end, as the library did
        if (have == 0 && block_.size() >= length) {
            blockPos_ = length;
            return block_.data();
        }
        const std::size_t take = std::min(length - have, block_.size());
        std::memcpy(stitch_.data() + have, block_.data(), take);
        have += take;
        blockPos_ = take;
        if (have == length)
            return stitch_.data();
    }
}

bool HdbRecordSource::NextLiveRecord()
{
    while (physicalRead_ < layout_.recordCount) {
        const char* record = NextRecordBytes();
        if (!record)
            return false; // cut short: only whole records exist
        ++physicalRead_;
        if (record[0] == DeletedMark)
            continue;
        current_ = last_ = record;
        ++liveRead_;
        return true;
    }
    return false;
}

QByteArrayView HdbRecordSource::Bytes(const char* record, HdbLayout::Field field) const
{
    const HdbLayout::Span span = layout_.fields[field];
    return QByteArrayView(record + span.offset, span.length);
}

QByteArrayView HdbRecordSource::Text(const char* record, HdbLayout::Field field) const
{
    const HdbLayout::Span span = layout_.fields[field];
    if (span.length >= 4 && span.length <= 8)
        return QByteArrayView(record + span.offset,
                              ShortTextLength(record + span.offset, span.length));
    // Up to the first zero byte, without the padding. Most fields are mostly
    // padding, so the end is found from the back first.
    const QByteArrayView trimmed = TrimEnd(Bytes(record, field));
    const char* text = trimmed.data();
    qsizetype n = UpToZero(text, trimmed.size());
    if (n == trimmed.size())
        return trimmed;
    while (n > 0 && text[n - 1] == ' ')
        --n;
    return QByteArrayView(text, n);
}

quint16 HdbRecordSource::Flag(const char* record) const
{
    const QByteArrayView flag = Bytes(record, HdbLayout::Flag);
    return flag.size() == 2 ? qFromLittleEndian<quint16>(flag.data()) : 0;
}

char* HdbRecordSource::WriteCallsign(const char* record, char* buffer) const
{
    // Plain loops over a few bytes: this runs for most records.
    const HdbLayout::Span callsSpan = layout_.fields[HdbLayout::Calls];
    const HdbLayout::Span ignSpan = layout_.fields[HdbLayout::Ign];
    const char* calls = record + callsSpan.offset;
    const auto callsEnd = static_cast<int>(Text(record, HdbLayout::Calls).size());
    const char* ign = record + ignSpan.offset;
    const IgnParts parts =
        SplitIgn(ign, ignSpan.length, layout_.recordLength - ignSpan.offset);
    const QByteArrayView overflow(ign, parts.split);
    const QByteArrayView rest(ign + parts.restBegin, parts.restEnd - parts.restBegin);

    FieldWriter out(buffer);
    constexpr quint16 Foreign = 0x0008, Reversed = 0x0002;
    if ((Flag(record) & (Foreign | Reversed)) == (Foreign | Reversed)) {
        const qsizetype slash = rest.indexOf('/');
        const QByteArrayView prefix = slash < 0 ? rest : rest.first(slash);
        const QByteArrayView tail = slash < 0 ? QByteArrayView() : rest.sliced(slash + 1);
        if (!prefix.isEmpty()) {
            out.Append(prefix);
            out.Append('/');
        }
        out.Append(TrimStart(QByteArrayView(calls, callsEnd)));
        out.Append(overflow);
        if (!tail.isEmpty()) {
            out.Append('/');
            out.Append(tail);
        }
    } else {
        out.Append(QByteArrayView(calls, callsEnd));
        out.Append(overflow);
        if (!rest.isEmpty()) {
            out.Append('/');
            out.Append(rest);
        }
    }
    return out.End();
}

namespace {

// Field numbers of the logging program's own library, not descriptor order.
constexpr HdbLayout::Field TextFields[] = {
    HdbLayout::Calls, HdbLayout::Ign,  HdbLayout::Date, HdbLayout::Time, HdbLayout::His,
    HdbLayout::My,    HdbLayout::Freq, HdbLayout::Mode, HdbLayout::Code, HdbLayout::Gl,
    HdbLayout::Qsl,   HdbLayout::Name, HdbLayout::Qth,  HdbLayout::Rmk1, HdbLayout::Rmk2,
};

} // namespace

char* HdbRecordSource::WriteField(const char* record, char* buffer, qint16 field) const
{
    FieldWriter out(buffer);
    switch (field) {
    case 0:
        return WriteCallsign(record, buffer);
    case 2: {
        const QByteArrayView date = Bytes(record, HdbLayout::Date);
        out.TwoDigits(static_cast<unsigned char>(date[1]));
        out.Append('/');
        out.TwoDigits(static_cast<unsigned char>(date[2]));
        out.Append('/');
        out.TwoDigits(static_cast<unsigned char>(date[3]));
        break;
    }
    case 3: {
        const QByteArrayView time = Bytes(record, HdbLayout::Time);
        const auto minuteByte = static_cast<unsigned char>(time[1]);
        out.TwoDigits(static_cast<unsigned char>(time[0]) & 0x3F);
        out.Append(':');
        out.TwoDigits(minuteByte & 0x7F);
        out.Append(minuteByte & 0x80 ? 'U' : 'J');
        break;
    }
    case 10:
        out.Append(Bytes(record, HdbLayout::Qsl)); // the marks exactly as stored
        break;
    case 15:
        out.Number(Flag(record));
        break;
    default:
        if (field >= 0 && field < 15)
            out.Append(Text(record, TextFields[field]));
        break;
    }
    return out.End();
}

void HdbRecordSource::ThwString(char* buffer, qint16 field)
{
    char* end = current_ ? WriteField(current_, buffer, field) : buffer;
    *end = '\0';
}

QByteArrayView HdbRecordSource::DateText(char* scratch) const
{
    const auto* date =
        reinterpret_cast<const unsigned char*>(last_ + layout_.fields[HdbLayout::Date].offset);
    if (date[1] >= 100 || date[2] >= 100 || date[3] >= 100)
        return QByteArrayView(scratch, WriteField(last_, scratch, 2) - scratch);
    // Every part below 100, as nearly always: "yy/mm/dd" at once.
    for (int part = 0; part < 3; ++part) {
        std::memcpy(scratch + 3 * part, &DigitPairs[2 * date[part + 1]], 2);
        scratch[3 * part + 2] = '/';
    }
    return QByteArrayView(scratch, 8);
}

QByteArrayView HdbRecordSource::TimeText(char* scratch) const
{
    const auto* time =
        reinterpret_cast<const unsigned char*>(last_ + layout_.fields[HdbLayout::Time].offset);
    const unsigned minute = time[1] & 0x7F;
    if (minute >= 100)
        return QByteArrayView(scratch, WriteField(last_, scratch, 3) - scratch);
    std::memcpy(scratch, &DigitPairs[2 * (time[0] & 0x3F)], 2);
    scratch[2] = ':';
    std::memcpy(scratch + 3, &DigitPairs[2 * minute], 2);
    scratch[5] = time[1] & 0x80 ? 'U' : 'J';
    return QByteArrayView(scratch, 6);
}

QByteArrayView HdbRecordSource::FieldText(qint16 field, char* scratch)
{
    if (!last_)
        return {};
    switch (field) {
    case 2:
        return DateText(scratch);
    case 3:
        return TimeText(scratch);
    case 10:
        return UpToNul(Bytes(last_, HdbLayout::Qsl));
    case 0:
    case 15:
        return QByteArrayView(scratch, WriteField(last_, scratch, field) - scratch);
    default:
        // The text in place, without a copy (a field is never longer than 255 bytes).
        return field >= 0 && field < 15 ? Text(last_, TextFields[field]) : QByteArrayView();
    }
}

void HdbRecordSource::FieldTexts(std::uint32_t fields, FieldBuffer* scratch, QByteArrayView* views)
{
    // Field by field as FieldText, without going through its switch each time.
    constexpr auto Bit = [](int field) { return std::uint32_t{1} << field; };
    constexpr std::uint32_t Formed = Bit(0) | Bit(2) | Bit(3) | Bit(10); // not text in place
    constexpr std::uint32_t Rare = Bit(15) | Bit(16);                     // left to FieldText
    if (!last_ || (fields & Rare)) {
        RecordSource::FieldTexts(fields, scratch, views);
        return;
    }
    if (fields & Bit(0))
        views[0] = QByteArrayView(scratch[0], WriteCallsign(last_, scratch[0]) - scratch[0]);
    if (fields & Bit(2))
        views[2] = DateText(scratch[2]);
    if (fields & Bit(3))
        views[3] = TimeText(scratch[3]);
    if (fields & Bit(10))
        views[10] = UpToNul(Bytes(last_, HdbLayout::Qsl));
    for (fields &= ~Formed; fields != 0; fields &= fields - 1) {
        const int i = std::countr_zero(fields);
        views[i] = Text(last_, TextFields[i]);
    }
}

inline RecordSource::Glance HdbRecordSource::GlanceAt(const char* record, bool slashToo) const
{
    const HdbLayout::Span freq = layout_.fields[HdbLayout::Freq];
    Glance glance;
    glance.FrequencyKey = QByteArrayView(record + freq.offset, freq.length);
    glance.NotJapanTime = record[layout_.fields[HdbLayout::Time].offset + 1] & 0x80;
    if (glance.NotJapanTime && !slashToo)
        return glance;
    // No "/" when IGN is nothing but padding (no overflow, no portable part)
    // and CALLS has no "/" byte; anything else is left to the fields.
    const HdbLayout::Span ign = layout_.fields[HdbLayout::Ign];
    const HdbLayout::Span calls = layout_.fields[HdbLayout::Calls];
    glance.NoSlash = ByteWords::AllSpaces(record + ign.offset, ign.length) &&
                     !ByteWords::Has<'/'>(record + calls.offset, calls.length);
    return glance;
}

RecordSource::Glance HdbRecordSource::GlanceAtRecord()
{
    return last_ ? GlanceAt(last_, true) : Glance{};
}

qint32 HdbRecordSource::PassRecords(const BandCache& bands, qint32 limit)
{
    if (!current_)
        return 0; // only straight on from a record read
    const auto length = static_cast<std::size_t>(layout_.recordLength);
    // Records wholly in the block at hand; the next read puts the others together.
    // The loop keeps its counts in locals and stores them once.
    const quint32 physicalEnd =
        physicalRead_ +
        static_cast<quint32>(std::min<std::size_t>(layout_.recordCount - physicalRead_,
                                                   (block_.size() - blockPos_) / length));
    quint32 physical = physicalRead_;
    const char* record = block_.data() + blockPos_;
    const char* passedLast = nullptr;
    qint32 passed = 0;
    for (; passed < limit && physical < physicalEnd; ++physical, record += length) {
        if (record[0] == DeletedMark)
            continue;
        const Glance glance = GlanceAt(record, false);
        if (!glance.NotJapanTime && !glance.NoSlash)
            break;
        const QString* band = bands.Find(glance.FrequencyKey);
        if (!band || band->isEmpty())
            break;
        passedLast = record;
        ++passed;
    }
    blockPos_ += (physical - physicalRead_) * length;
    physicalRead_ = physical;
    if (passedLast) {
        current_ = last_ = passedLast;
        liveRead_ += passed;
    }
    return passed;
}
