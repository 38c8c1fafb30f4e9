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
    const QByteArray start = file.read(64 * 1024); // room for an ADIF header
    file.close();
    // A database whose header is damaged is still reported as a database.
    if (HdbLayout::HeaderLength(start))
        active_ = &hdb_;
    else if (AdifRecordSource::LooksLikeAdif(start))
        active_ = &adif_;
    else
        active_ = &csv_;
    return active_->HamlogOpen(path);
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
