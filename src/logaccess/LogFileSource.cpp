#include "LogFileSource.h"

#include "FileProbes.h"
#include "ReadFullyAt.h"

#include <algorithm>

int LogFileSource::HamlogOpen(const QString& path)
{
    HamlogClose();
    active_ = nullptr;
    openError_.clear();
    opened_.reset();
    // Opened once: what is detected is the file that is then read.
    FileId file;
    const int fd = OpenLogFile(path, &openError_, &file);
    if (fd < 0)
        return 1;
    opened_ = file;
    // A database whose header is damaged is still reported as a database.
    // Its header is read on its own: most logs are databases, and the room
    // for an ADIF header costs a first run dozens of fresh pages.
    char head[HdbLayout::FileHeaderSize];
    const ssize_t headGot = ReadFullyAt(fd, head, sizeof head, 0);
    if (HdbLayout::HeaderLength(QByteArrayView(head, std::max<ssize_t>(headGot, 0)))) {
        active_ = &hdb_;
        return hdb_.OpenDescriptor(fd);
    }
    QByteArray start(64 * 1024, Qt::Uninitialized); // room for an ADIF header
    const ssize_t got = ReadFullyAt(fd, start.data(), start.size(), 0);
    start.resize(std::max<ssize_t>(got, 0));
    if (AdifRecordSource::LooksLikeAdif(start)) {
        active_ = &adif_;
        return adif_.OpenDescriptor(fd);
    }
    active_ = &csv_;
    if (const int opened = csv_.OpenDescriptor(fd); opened != 0)
        return opened;
    return RefuseUnlessCsvLog();
}

// Any text reads as CSV, so a file is taken as a log only when its first
// contact line looks like one; notes or a README would give a message per line.
int LogFileSource::RefuseUnlessCsvLog()
{
    const CsvRecordSource::Layout& layout = csv_.FileLayout();
    if (layout.Shaped)
        return 0;
    csv_.HamlogClose();
    active_ = nullptr;
    openError_ = QStringLiteral("neither a HAMLOG.HDB database, an ADIF log nor a HAMLOG CSV log: ");
    if (!layout.Contact)
        openError_ += QStringLiteral("no contact line");
    else
        openError_ += QStringLiteral("the first contact line has no date (yy/mm/dd) and time "
                                     "(hh:mm) as its second and third items");
    return 1;
}

int LogFileSource::THW_read(qint32 recordNo)
{
    return active_ ? active_->THW_read(recordNo) : 1;
}

void LogFileSource::ThwString(char* buffer, qint16 field)
{
    if (active_)
        active_->ThwString(buffer, field);
    else
        buffer[0] = '\0';
}

void LogFileSource::HamlogClose()
{
    if (active_)
        active_->HamlogClose();
}

QString LogFileSource::OpenError() const
{
    return active_ ? active_->OpenError() : openError_;
}

QByteArrayView LogFileSource::FieldText(qint16 field, char* scratch)
{
    return active_ ? active_->FieldText(field, scratch) : QByteArrayView();
}

bool LogFileSource::HoldsLastRecord() const
{
    return active_ && active_->HoldsLastRecord();
}
