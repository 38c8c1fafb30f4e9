#include "LogFileSource.h"

#include <QFile>
#include <QFileInfo>

int LogFileSource::HamlogOpen(const QString& path)
{
    HamlogClose();
    active_ = nullptr;
    openError_.clear();
    // Only an ordinary file is a log; opening a named pipe would wait for a writer.
    QFile file(path);
    if (!QFileInfo(path).isFile()) {
        openError_ = QStringLiteral("not a regular file");
        return 1;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        openError_ = file.errorString();
        return 1;
    }
    const QByteArray start = file.read(HdbLayout::FileHeaderSize);
    file.close();
    // A database whose header is damaged is still reported as a database.
    if (HdbLayout::HeaderLength(start)) {
        active_ = &hdb_;
        return active_->HamlogOpen(path);
    }
    active_ = &csv_;
    if (const int opened = csv_.HamlogOpen(path); opened != 0)
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
    openError_ = QStringLiteral("neither a HAMLOG.HDB database nor a HAMLOG CSV log: ");
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
