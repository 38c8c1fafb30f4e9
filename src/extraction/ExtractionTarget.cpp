#include "ExtractionTarget.h"

#include <QFileInfo>

#include <cstdio>

ExtractionTarget::ExtractionTarget(QString path) : path_(std::move(path)) {}

QIODevice* ExtractionTarget::Open()
{
    bool opened;
    if (path_.isEmpty()) {
        opened = file_.open(stdout, QIODevice::WriteOnly | QIODevice::Unbuffered);
    } else {
        file_.setFileName(path_);
        opened = file_.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered);
    }
    if (!opened) {
        error_ = file_.errorString();
        return nullptr;
    }
    created_ = true;
    return &file_;
}

bool ExtractionTarget::Close()
{
    if (!file_.isOpen())
        return false;
    file_.close(); // unbuffered: every write has already reported its outcome
    if (file_.error() != QFileDevice::NoError) {
        error_ = file_.errorString();
        return false;
    }
    return true;
}

void ExtractionTarget::Discard()
{
    file_.close();
    // Only a file this target emptied is ours to remove: never one it could not
    // open, nor a device such as /dev/full.
    if (created_ && !path_.isEmpty() && QFileInfo(path_).isFile())
        QFile::remove(path_);
}

QString ExtractionTarget::ErrorString() const
{
    if (error_.isEmpty() && file_.error() != QFileDevice::NoError)
        return file_.errorString();
    return error_;
}

QString ExtractionTarget::Name() const
{
    return path_.isEmpty() ? QStringLiteral("standard output") : path_;
}
