#include "CsvRecordSource.h"

#include "ByteWords.h"
#include "CodePage932Bytes.h"
#include "CsvLineShape.h"
#include "CsvQuickCheck.h"
#include "FileProbes.h"
#include "ReadFullyAt.h"

#include <QFile>

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <span>
#include <system_error>
#include <thread>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr char EndOfFileMark = 0x1A;
constexpr qint16 DateField = 2, TimeField = 3, FreqField = 6, QslField = 10, FlagField = 15;
constexpr std::size_t QslCharacters = 3;
// The check reads in small blocks: each page of memory a run first touches
// costs a fault, which on a virtual machine is dear.
constexpr std::size_t CheckBlockSize = 64 * 1024;

std::size_t CharacterLength(char first)
{
    return CodePage932Bytes::KindOf(static_cast<unsigned char>(first)) == CodePage932Bytes::Lead
               ? 2
               : 1;
}

// The bytes of at most `count` whole characters from the start of `bytes`.
std::size_t WholeCharacters(const char* bytes, std::size_t size, std::size_t count,
                            std::size_t* taken = nullptr)
{
    std::size_t used = 0, n = 0;
    while (used < size && n < count) {
        const std::size_t length = CharacterLength(bytes[used]);
        if (used + length > size)
            break;
        used += length;
        ++n;
    }
    if (taken)
        *taken = n;
    return used;
}

// Text fields as the HDB source gives them: up to the first zero byte, trailing
// spaces removed; never more than the buffer holds, and no half character.
std::size_t TextSize(const CsvRecordsAhead::Item& item)
{
    const char* bytes = item.data;
    const void* nul = item.hasNul ? std::memchr(bytes, 0, item.size) : nullptr;
    std::size_t size =
        nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - bytes) : item.size;
    if (nul || !item.textBeyond) {
        size = ByteWords::WithoutTrailingSpaces(bytes, size);
    } else {
        size = WholeCharacters(bytes, size, size);
    }
    return size;
}

std::size_t WriteText(char* buffer, const CsvRecordsAhead::Item& item)
{
    const std::size_t size = TextSize(item);
    std::memcpy(buffer, item.data, size);
    return size;
}

// The three QSL marks, cut or padded with spaces; a double-byte mark counts as one.
std::size_t WriteQsl(char* buffer, const CsvRecordsAhead::Item& item)
{
    std::size_t marks = 0;
    std::size_t size = WholeCharacters(item.data, item.size, QslCharacters, &marks);
    std::memcpy(buffer, item.data, size);
    for (; marks < QslCharacters; ++marks)
        buffer[size++] = ' ';
    return size;
}

// Where bytes `from` to `size` of a file, worth checking in two halves, are
// split: just past a line feed near their middle; 0 for a few bytes or no line
// feed there.
off_t SplitPoint(int fd, off_t from, off_t size)
{
    constexpr off_t SplitFrom = 4 * 1024 * 1024;
    if (size - from < SplitFrom)
        return 0;
    std::array<char, 8 * 1024> window; // longer lines are rare: the file is then not split
    const off_t middle = from + (size - from) / 2;
    const ssize_t got = ReadFullyAt(fd, window.data(), window.size(), middle);
    const void* feed =
        got > 0 ? std::memchr(window.data(), '\n', static_cast<std::size_t>(got)) : nullptr;
    return feed ? middle + (static_cast<const char*>(feed) - window.data()) + 1 : 0;
}

// Whether bytes `from` to `to` of `fd` are certainly well-formed text, read
// as a text of their own through `reading`; a read that fails or comes short
// makes them not: that is for the full check to report.
bool QuickCheckRange(ReadAhead& reading, int fd, off_t from, off_t to)
{
    reading.Start(fd, from, to);
    CsvQuickCheck check;
    off_t seen = 0;
    for (std::span<const char> block; !check.Unsure() && !(block = reading.Next()).empty();) {
        check.Add(block.data(), block.size());
        seen += static_cast<off_t>(block.size());
    }
    reading.Stop();
    return seen == to - from && check.Clean();
}

// The same for one half of a file checked in two halves at once: read in
// turn, since the caller's thread is the other half's reader.
bool QuickCheckHalf(int fd, off_t from, off_t to)
{
    ReadAhead reading(CheckBlockSize, 2, false);
    return QuickCheckRange(reading, fd, from, to);
}

// What is wrong with text whose tokenizing ended in `step`; empty when nothing is.
QString Malformation(CsvTokenizer::Step step, qint64 errorLine, const QString& errorText,
                     int readError)
{
    if (readError != 0)
        return QStringLiteral("cannot read the file: %1")
            .arg(QString::fromLocal8Bit(std::strerror(readError)));
    if (step == CsvTokenizer::Step::Error)
        return QStringLiteral("line %1: %2").arg(errorLine).arg(errorText);
    return {};
}

// Field `field` (0 or 2 to 15) from its item, as FieldText gives it.
inline QByteArrayView FieldFromItem(qint16 field, const CsvRecordsAhead::Item& item, char* scratch)
{
    if (field == DateField) // written out: the date may need its form mended
        return QByteArrayView(scratch, static_cast<qsizetype>(CsvLineShape::NormaliseDate(
                                           scratch, WriteText(scratch, item))));
    if (field != QslField)
        return QByteArrayView(item.data, static_cast<qsizetype>(TextSize(item)));
    // The marks are padded, so they are written out; a zero byte ends them.
    const std::size_t size = WriteQsl(scratch, item);
    const void* nul = item.hasNul ? std::memchr(scratch, 0, size) : nullptr;
    return QByteArrayView(scratch, nul ? static_cast<const char*>(nul) - scratch
                                       : static_cast<qsizetype>(size));
}

} // namespace

CsvRecordSource::CsvRecordSource(std::size_t chunkSize, bool readAhead)
    : ahead_(CheckBlockSize), records_(chunkSize, readAhead)
{
}

CsvRecordSource::~CsvRecordSource()
{
    HamlogClose();
}

int CsvRecordSource::HamlogOpen(const QString& path)
{
    HamlogClose();
    opened_.reset();
    const int fd = OpenLogFile(path, &openError_);
    if (fd < 0)
        return 1;
    return OpenDescriptor(fd);
}

int CsvRecordSource::OpenDescriptor(int fd)
{
    HamlogClose();
    hasLast_ = false;
    openError_.clear();
    checkPending_ = false;
    opened_.reset();
    const std::optional<struct stat> status = RegularFileStatus(fd, &openError_);
    if (!status)
        return 1;
    fd_ = fd;
    const struct stat& info = *status;
    opened_ = FileId::Of(info);
    // Text that grows after the check is not read.
    limit_ = info.st_size;
    char last = 0;
    if (limit_ > 0 && ::pread(fd_, &last, 1, limit_ - 1) == 1 && last == EndOfFileMark)
        --limit_;
    layout_ = {};
    // A large file is checked as it is read, which reads it once.
    checkPending_ = limit_ >= checkAsReadFrom_;
    if (!checkPending_ && !QuickCheck()) {
        Rewind();
        reading_ = true;
        openError_ = Check(records_);
    }
    if (!openError_.isEmpty()) {
        HamlogClose();
        return 1;
    }
    layout_ = Examine();
    if (!openError_.isEmpty()) { // malformed text among the first lines
        HamlogClose();
        return 1;
    }
    if (layout_.CallColumn != 0) {
        // Read again, so that lines are noted with their call column.
        ToFirstContact();
        NextRecord(true);
    }
    if (layout_.Contact) {
        // The first contact is read: it waits to be record 1, as a record read
        // ahead by PassRecords waits, and the reading goes on from there.
        pending_ = true;
        recordsRead_ = 0;
        hasRecord_ = false;
    } else {
        ToFirstContact();
    }
    return 0;
}

CsvRecordSource::Layout CsvRecordSource::Examine()
{
    const auto leading = [this] {
        CsvLineShape::Leading items;
        for (std::size_t i = 0; i < items.size(); ++i) {
            const CsvRecordsAhead::Item& item = records_.ItemAt(static_cast<int>(i));
            items[i] = QByteArrayView(item.data, static_cast<qsizetype>(item.size));
        }
        return items;
    };
    Layout layout;
    Rewind();
    if (NextRecord(true) != CsvTokenizer::Step::Record)
        return layout;
    if (CsvLineShape::IsHeader(leading())) {
        layout.Header = true;
        if (NextRecord(true) != CsvTokenizer::Step::Record)
            return layout;
    }
    layout.Contact = true;
    if (const std::optional<int> call = CsvLineShape::CallColumn(leading())) {
        layout.Shaped = true;
        layout.CallColumn = *call;
    }
    return layout;
}

bool CsvRecordSource::QuickCheck(off_t from)
{
    if (!quickCheck_)
        return false;
    // A large file is checked in two halves at once, the second from a line
    // start: what the first half ends in must then be a line start too, which
    // its check being clean tells (no quoted item or character left open).
    if (const off_t split = SplitPoint(fd_, from, limit_); split > 0) {
        bool secondClean = false;
        std::thread second;
        try {
            second = std::thread([&] { secondClean = QuickCheckHalf(fd_, split, limit_); });
        } catch (const std::system_error&) {
            // No thread to be had: both halves in turn.
            return QuickCheckHalf(fd_, from, split) && QuickCheckHalf(fd_, split, limit_);
        }
        const bool firstClean = QuickCheckHalf(fd_, from, split);
        second.join();
        return firstClean && secondClean;
    }
    return QuickCheckRange(ahead_, fd_, from, limit_);
}

QString CsvRecordSource::Check(CsvRecordsAhead& records)
{
    records.Start(fd_, limit_, false, fastLines_); // no records kept: only how the text ends
    CsvTokenizer::Step step;
    do
        step = records.Next(false);
    while (step == CsvTokenizer::Step::Record);
    return Malformation(step, records.ErrorLine(), records.ErrorText(), records.ReadError());
}

void CsvRecordSource::CheckEnded(CsvTokenizer::Step step)
{
    checkPending_ = false;
    openError_ =
        Malformation(step, records_.ErrorLine(), records_.ErrorText(), records_.ReadError());
}

bool CsvRecordSource::FinishCheck()
{
    if (checkPending_) {
        checkPending_ = false;
        // The tokenizing has checked the text up to a record's start, or to its end.
        const CsvRecordsAhead::Progress ahead =
            reading_ ? records_.Ahead() : CsvRecordsAhead::Progress{};
        if (ahead.ended) {
            openError_ = Malformation(ahead.errorLine > 0 ? CsvTokenizer::Step::Error
                                                           : CsvTokenizer::Step::End,
                                      ahead.errorLine, ahead.errorText, ahead.readError);
        } else if (!QuickCheck(ahead.lineStart)) {
            // Not certain: the tokenizer goes through it all, to tell where.
            CsvRecordsAhead records;
            openError_ = Check(records);
        }
    }
    return openError_.isEmpty();
}

void CsvRecordSource::DropPending()
{
    if (pending_)
        records_.ForgetLast();
    pending_ = false;
}

void CsvRecordSource::HamlogClose()
{
    DropPending();
    ahead_.Stop(); // before its file goes
    records_.Stop();
    reading_ = false;
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    hasRecord_ = false;
    recordsRead_ = 0;
}

void CsvRecordSource::Rewind()
{
    ahead_.Stop();
    records_.Stop();
    reading_ = false;
    recordsRead_ = 0;
    hasRecord_ = false;
}

// Rewinds past the header line, so that the first contact is record 1.
void CsvRecordSource::ToFirstContact()
{
    Rewind();
    if (layout_.Header)
        NextRecord(false);
}

CsvTokenizer::Step CsvRecordSource::NextRecord(bool keep)
{
    if (!reading_) {
        // Text checked at opening is not checked again.
        records_.Start(fd_, limit_, true, fastLines_, layout_.CallColumn, !checkPending_);
        reading_ = true;
    }
    const CsvTokenizer::Step step = records_.Next(keep);
    if (checkPending_ && step != CsvTokenizer::Step::Record)
        CheckEnded(step);
    return step;
}

int CsvRecordSource::THW_read(qint32 recordNo)
{
    hasRecord_ = false;
    if (fd_ < 0 || recordNo < 1)
        return 1;
    if (pending_ && recordNo == recordsRead_ + 1) {
        pending_ = false; // read already
        recordsRead_ = recordNo;
        hasRecord_ = hasLast_ = true;
        return 0;
    }
    if (pending_ && recordNo > recordsRead_ + 1) {
        DropPending(); // passed over
        ++recordsRead_;
    }
    DropPending();
    if (recordNo <= recordsRead_)
        ToFirstContact();
    while (recordsRead_ < recordNo) {
        // Malformed text can only appear here when the file changed since the check.
        if (NextRecord(recordsRead_ + 1 == recordNo) != CsvTokenizer::Step::Record)
            return 1;
        ++recordsRead_;
    }
    hasRecord_ = hasLast_ = true;
    return 0;
}

void CsvRecordSource::ThwString(char* buffer, qint16 field)
{
    std::size_t size = 0;
    // Field 0 is the Call column, fields 2 to 15 the columns after it; 1 and 16
    // (IGN and an unused field) have no column.
    if (hasRecord_ && field >= 0 && field <= FlagField && field != 1) {
        const CsvRecordsAhead::Item& item = CurrentField(field);
        size = field == QslField ? WriteQsl(buffer, item) : WriteText(buffer, item);
        if (field == DateField)
            size = CsvLineShape::NormaliseDate(buffer, size);
    }
    buffer[size] = '\0';
}

QByteArrayView CsvRecordSource::FieldText(qint16 field, char* scratch)
{
    if (!hasLast_ || field < 0 || field > FlagField || field == 1)
        return {};
    return FieldFromItem(field, CurrentField(field), scratch);
}

void CsvRecordSource::FieldTexts(std::uint32_t fields, FieldBuffer* scratch, QByteArrayView* views)
{
    // As FieldText, with what it checks for every field checked once.
    constexpr std::uint32_t Columns = ((std::uint32_t{1} << (FlagField + 1)) - 1) & ~2u;
    if (!hasLast_)
        fields = 0;
    for (std::uint32_t none = fields & ~Columns; none != 0; none &= none - 1)
        views[std::countr_zero(none)] = {};
    fields &= Columns;
    if (const CsvRecordsAhead::PlainLine line = records_.Plain(pending_)) {
        // Items of a plain line hold no zero byte and no text after a closing
        // quote: only trailing spaces go. Columns grow with fields, so one
        // walk along the items finds them all.
        auto items = line.Items();
        std::size_t column = 0;
        for (; fields != 0; fields &= fields - 1) {
            const auto i = static_cast<qint16>(std::countr_zero(fields));
            // Below ColumnCount: the call item is in column 0 or 1.
            for (const auto wanted = static_cast<std::size_t>(ColumnOf(i)); column < wanted; ++column)
                items.Skip();
            auto [from, size] = items.Next();
            ++column;
            const char* data = line.Bytes() + from;
            if (i == QslField) {
                views[i] = QByteArrayView(
                    scratch[i], static_cast<qsizetype>(WriteQsl(scratch[i], {data, size})));
                continue;
            }
            size = ByteWords::WithoutTrailingSpaces(data, size);
            if (i == DateField) {
                std::memcpy(scratch[i], data, size);
                size = CsvLineShape::NormaliseDate(scratch[i], size);
                data = scratch[i];
            }
            views[i] = QByteArrayView(data, static_cast<qsizetype>(size));
        }
        return;
    }
    for (; fields != 0; fields &= fields - 1) {
        const auto i = static_cast<qint16>(std::countr_zero(fields));
        views[i] = FieldFromItem(i, CurrentField(i), scratch[i]);
    }
}

RecordSource::Glance CsvRecordSource::GlanceAtItems()
{
    Glance glance;
    if (!hasLast_)
        return glance;
    // The texts FieldText gives. "/" is never the second byte of a
    // double-byte character (the text is checked), so the bytes tell; a "J"
    // that is one only keeps the record from being passed by.
    const CsvRecordsAhead::Item& time = CurrentField(TimeField);
    const std::size_t timeSize = TextSize(time);
    glance.NotJapanTime = timeSize == 0 || time.data[timeSize - 1] != 'J';
    const CsvRecordsAhead::Item& call = CurrentField(0);
    glance.NoSlash = !std::memchr(call.data, '/', TextSize(call));
    const CsvRecordsAhead::Item& frequency = CurrentField(FreqField);
    glance.FrequencyKey =
        QByteArrayView(frequency.data, static_cast<qsizetype>(TextSize(frequency)));
    return glance;
}

qint32 CsvRecordSource::PassRecords(const BandCache& bands, qint32 limit)
{
    if (!hasRecord_ || pending_)
        return 0; // only straight on from a record read
    qint32 passed = 0;
    while (passed < limit) {
        // Noted plain lines in bulk, then any other record one at a time.
        const auto noted = static_cast<qint32>(
            records_.PassNoted(bands, limit - passed));
        recordsRead_ += noted;
        passed += noted;
        if (passed == limit)
            break;
        // The end, or malformed text where the file changed since the check:
        // the tokenizer stays there, and the next read finds it again.
        if (NextRecord(true) != CsvTokenizer::Step::Record)
            break;
        const Glance glance = GlanceAtRecord();
        const QString* band = glance.NotJapanTime || glance.NoSlash
                                  ? bands.Find(glance.FrequencyKey)
                                  : nullptr;
        if (!band || band->isEmpty()) {
            pending_ = true;
            break;
        }
        ++recordsRead_;
        ++passed;
    }
    return passed;
}
