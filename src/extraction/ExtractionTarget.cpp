#include "ExtractionTarget.h"

#include "Utf8Recoder.h"

#include <QFileInfo>

#include <cstdio>

ExtractionTarget::ExtractionTarget(QString path) : path_(std::move(path)) {}

ExtractionTarget::~ExtractionTarget() = default;

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
    if (utf8_) {
        recoder_ = std::make_unique<Utf8Recoder>(file_);
        recoder_->open(QIODevice::WriteOnly);
        return recoder_.get();
    }
    return &file_;
}

bool ExtractionTarget::Close()
{
    if (recoder_)
        recoder_->close();
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
