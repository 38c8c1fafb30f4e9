#pragma once

#include "FileId.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>

#include <memory>
#include <vector>

class Utf8Recoder;

// Where the run writes the extraction file: a file on disk, or standard output
// for the command line.
//
// A file is never written in place. The run writes a new file of its own in the
// file's folder, and only when it is complete does that file take the name, by
// a rename: whatever had the name before (an earlier file, a link planted
// there) is replaced, never emptied or written through. One run at a time
// writes a given file; the lock that says so is the kernel's, so it ends with
// the process that held it, however that ends.
class DescriptorDevice;

class ExtractionTarget {
public:
    // Whether a path that leads to a character device, a named pipe or the
    // process's own standard output (/dev/null, /dev/stdout) is written into as
    // it is, or refused.
    enum class Devices { Refuse, WriteInto };
    enum class Problem {
        None,
        Busy,   // another run is writing the same file
        IsLog,  // the file is the log itself
        System, // the system refused; ErrorString() says why
    };

    // An empty path means standard output.
    explicit ExtractionTarget(QString path, Devices devices = Devices::Refuse);
    ~ExtractionTarget();
    ExtractionTarget(const ExtractionTarget&) = delete;
    ExtractionTarget& operator=(const ExtractionTarget&) = delete;

    // The file must never take the place of `file`, under any of its names.
    void KeepClearOf(const FileId& file);

    // The text goes out as UTF-8 instead of code page 932, for other tools.
    void SetUtf8(bool utf8) { utf8_ = utf8; }

    // Nullptr when the run cannot write the file; Failure() says why.
    QIODevice* Open();
    // Puts the complete file in place. False when something written did not
    // reach the disk, or the file could not take its name.
    bool Close();
    // Removes what the run wrote, whether or not it was already in place, and
    // lets another run write the file.
    void Discard();
    // Whether what is written can still be taken back by StartOver: a new
    // file of the run's own, not yet in place.
    bool CanStartOver() const { return kind_ == Kind::NewFile && !placed_; }
    // Empties that file, for a run that must write it again from the start,
    // and gives the device to write it with; nullptr when it cannot.
    QIODevice* StartOver();

    // The file's path, or a description of standard output, for messages.
    QString Name() const;
    // The system's reason for the last failure.
    QString ErrorString() const;
    Problem Failure() const { return problem_; }

private:
    enum class Kind { None, Output, Device, NewFile };

    QIODevice* Fail(int error);
    QIODevice* Fail(const QString& reason);
    QIODevice* Refuse(Problem problem);
    QIODevice* OpenFile();
    // `device`, or the recoder before it when the text goes out as UTF-8.
    QIODevice* Recoded(QIODevice* device);
    QIODevice* OpenOutput();
    QIODevice* OpenDevice();
    bool Lock();
    bool CreateNewFile();
    bool Place();
    bool IsKeptClear() const;
    bool IsKeptClear(const FileId& file) const;
    bool Holds(const QByteArray& name) const;
    QByteArray UniqueName() const;
    void Release();

    QString path_;
    Devices devices_;
    Kind kind_ = Kind::None;
    int folder_ = -1;     // the destination's folder
    QByteArray name_;     // the destination's name in that folder
    int lock_ = -1;       // holds the lock while it is open
    QByteArray lockName_; // its companion file, removed with the lock
    int fd_ = -1;         // what the run writes
    QByteArray tempName_; // the new file's name, when it needs one before its place
    bool placed_ = false; // the new file has the destination's name
    std::vector<FileId> keepClear_;
    std::unique_ptr<DescriptorDevice> device_;
    QString error_;
    Problem problem_ = Problem::None;
    bool utf8_ = false;
    std::unique_ptr<Utf8Recoder> recoder_; // between the run and the file when utf8_
};
