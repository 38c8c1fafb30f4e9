#pragma once

#include <QFile>
#include <QString>

#include <memory>

class Utf8Recoder;

// Where the run writes the extraction file: a file on disk, or standard output
// for the command line.
class ExtractionTarget {
public:
    // Writes to the file at `path`, created or emptied; an empty path means
    // standard output.
    explicit ExtractionTarget(QString path);
    ~ExtractionTarget();

    // The text goes out as UTF-8 instead of code page 932, for other tools.
    void SetUtf8(bool utf8) { utf8_ = utf8; }

    // Nullptr when the file cannot be created.
    QIODevice* Open();
    // True when everything written reached the file.
    bool Close();
    // Removes what a failed run left, so nothing half-written stays behind.
    void Discard();

    // The file's path, or a description of standard output, for messages.
    QString Name() const;
    // The system's reason for the last failure.
    QString ErrorString() const;

private:
    QString path_;
    QFile file_;
    QString error_;
    bool created_ = false;
    bool utf8_ = false;
    std::unique_ptr<Utf8Recoder> recoder_; // between the run and file_ when utf8_
};
