#include "ExtractionTarget.h"

#include "FileProbes.h"
#include "PathBytes.h"
#include "Utf8Recoder.h"

#include <QRandomGenerator>

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

// Writes straight to a descriptor. A short write is tried again, so the
// system's reason (a full disk, a file size limit) is what a failure reports.
class DescriptorDevice final : public QIODevice {
public:
    // With `writeBehind` (a new file of the run's own) what is written starts
    // on its way to the disk every few MiB, while the run goes on, so that
    // the sync that ends the file has little left to wait for.
    explicit DescriptorDevice(int fd, bool writeBehind = false)
        : fd_(fd), writeBehind_(writeBehind)
    {
        open(WriteOnly | Unbuffered);
    }
    bool isSequential() const override { return true; }
    const QString& Failure() const { return failure_; }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override
    {
        qint64 done = 0;
        while (done < size) {
            const ssize_t n = ::write(fd_, data + done, static_cast<size_t>(size - done));
            if (n > 0) {
                done += n;
            } else if (n < 0 && errno == EINTR) {
                continue;
            } else {
                failure_ = SystemReason(n < 0 ? errno : ENOSPC);
                setErrorString(failure_);
                return -1;
            }
        }
        written_ += done;
        if (writeBehind_ && written_ - started_ >= WriteBehindStep) {
            // Only a start: a failure shows in the closing sync.
            ::sync_file_range(fd_, started_, written_ - started_, SYNC_FILE_RANGE_WRITE);
            started_ = written_;
        }
        return done;
    }

private:
    static constexpr off_t WriteBehindStep = 4 * 1024 * 1024;
    int fd_;
    bool writeBehind_;
    off_t written_ = 0, started_ = 0; // bytes written, and those sent on their way
    QString failure_;
};

namespace {

bool SameFile(int fd, int folder, const QByteArray& name)
{
    struct stat opened {};
    struct stat named {};
    return ::fstat(fd, &opened) == 0 &&
           ::fstatat(folder, name.constData(), &named, AT_SYMLINK_NOFOLLOW) == 0 &&
           FileId::Of(opened) == FileId::Of(named);
}

} // namespace

ExtractionTarget::ExtractionTarget(QString path, Devices devices)
    : path_(std::move(path)), devices_(devices)
{
}

ExtractionTarget::~ExtractionTarget()
{
    if (placed_)
        Release();
    else
        Discard();
}

void ExtractionTarget::KeepClearOf(const FileId& file)
{
    keepClear_.push_back(file);
}

QIODevice* ExtractionTarget::Fail(int error)
{
    return Fail(SystemReason(error));
}

QIODevice* ExtractionTarget::Fail(const QString& reason)
{
    error_ = reason;
    problem_ = Problem::System;
    return nullptr;
}

QIODevice* ExtractionTarget::Refuse(Problem problem)
{
    problem_ = problem;
    return nullptr;
}


QIODevice* ExtractionTarget::Open()
{
    return Recoded(OpenFile());
}

QIODevice* ExtractionTarget::Recoded(QIODevice* device)
{
    if (!device || !utf8_)
        return device;
    recoder_ = std::make_unique<Utf8Recoder>(*device);
    recoder_->open(QIODevice::WriteOnly);
    return recoder_.get();
}

QIODevice* ExtractionTarget::OpenFile()
{
    error_.clear();
    problem_ = Problem::None;
    if (path_.isEmpty())
        return OpenOutput();
    const QByteArray path = PathBytes::Encode(path_);
    const qsizetype slash = path.lastIndexOf('/');
    const QByteArray folder = slash < 0 ? "." : slash == 0 ? "/" : path.left(slash);
    name_ = path.mid(slash + 1);
    if (name_.isEmpty() || name_ == "." || name_ == "..")
        return Fail(EISDIR);
    folder_ = ::open(folder.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder_ < 0)
        return Fail(errno);

    struct stat here {};
    struct stat there {};
    if (::fstatat(folder_, name_.constData(), &here, AT_SYMLINK_NOFOLLOW) == 0) {
        const bool leads = ::fstatat(folder_, name_.constData(), &there, 0) == 0;
        if (leads && devices_ == Devices::WriteInto) {
            if (S_ISCHR(there.st_mode) || S_ISFIFO(there.st_mode))
                return OpenDevice();
            // /dev/stdout of a command whose output goes to a file: that file, as it is.
            struct stat output {};
            if (::fstat(STDOUT_FILENO, &output) == 0 && FileId::Of(output) == FileId::Of(there))
                return OpenOutput();
        }
        if (S_ISDIR(here.st_mode) || (leads && S_ISDIR(there.st_mode)))
            return Fail(EISDIR);
        // A link is replaced; a device or pipe in the file's place is not ours to replace.
        if (!S_ISREG(here.st_mode) && !S_ISLNK(here.st_mode))
            return Fail(QStringLiteral("not a regular file"));
    } else if (errno != ENOENT) {
        return Fail(errno);
    }
    if (IsKeptClear())
        return Refuse(Problem::IsLog);
    if (!Lock() || !CreateNewFile())
        return nullptr;
    kind_ = Kind::NewFile;
    device_ = std::make_unique<DescriptorDevice>(fd_, true);
    return device_.get();
}

QIODevice* ExtractionTarget::OpenOutput()
{
    struct stat output {};
    if (::fstat(STDOUT_FILENO, &output) == 0 && IsKeptClear(FileId::Of(output)))
        return Refuse(Problem::IsLog); // korvex-extract LOG >> LOG
    kind_ = Kind::Output;
    device_ = std::make_unique<DescriptorDevice>(STDOUT_FILENO);
    return device_.get();
}

QIODevice* ExtractionTarget::OpenDevice()
{
    // Not blocking: a pipe that nobody reads is refused instead of waited for.
    fd_ = ::openat(folder_, name_.constData(), O_WRONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
    if (fd_ < 0)
        return Fail(errno);
    struct stat info {};
    if (::fstat(fd_, &info) != 0 || !(S_ISCHR(info.st_mode) || S_ISFIFO(info.st_mode))) {
        // Something else took its place since it was looked at; nothing was written.
        ::close(fd_);
        fd_ = -1;
        return Fail(QStringLiteral("not a device or a pipe any more"));
    }
    ::fcntl(fd_, F_SETFL, ::fcntl(fd_, F_GETFL) & ~O_NONBLOCK);
    kind_ = Kind::Device;
    device_ = std::make_unique<DescriptorDevice>(fd_);
    return device_.get();
}

bool ExtractionTarget::IsKeptClear() const
{
    struct stat info {};
    return ::fstatat(folder_, name_.constData(), &info, 0) == 0 &&
           IsKeptClear(FileId::Of(info));
}

bool ExtractionTarget::IsKeptClear(const FileId& file) const
{
    return std::find(keepClear_.begin(), keepClear_.end(), file) != keepClear_.end();
}

// The lock is on a companion file. Its mere presence means nothing (a run that
// was killed leaves it behind); only the kernel's lock on it counts, and the
// holder removes it while still holding it, so each run checks that the file it
// locked is still the one of that name.
bool ExtractionTarget::Lock()
{
    lockName_ = '.' + name_ + ".lock";
    for (int attempt = 0; attempt < 100; ++attempt) {
        const int fd = ::openat(folder_, lockName_.constData(),
                                O_RDONLY | O_CREAT | O_NOFOLLOW | O_CLOEXEC | O_NONBLOCK, 0666);
        const int openError = errno;
        // The companion is named in a failure: the reason is about it, not the file.
        const QString lockFile = PathBytes::Decode(lockName_) + QStringLiteral(": ");
        if (fd < 0) {
            Fail(lockFile + SystemReason(openError));
            return false;
        }
        struct stat info {};
        if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
            ::close(fd);
            Fail(lockFile + QStringLiteral("not a regular file"));
            return false;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            if (error == EWOULDBLOCK)
                Refuse(Problem::Busy);
            else
                Fail(lockFile + SystemReason(error));
            return false;
        }
        if (SameFile(fd, folder_, lockName_)) {
            lock_ = fd;
            return true;
        }
        ::close(fd);
    }
    Fail(EAGAIN);
    return false;
}

QByteArray ExtractionTarget::UniqueName() const
{
    return '.' + name_ + '.' + QByteArray::number(QRandomGenerator::global()->generate64(), 36);
}

bool ExtractionTarget::CreateNewFile()
{
    // Without a name until it is complete, so a run that ends early leaves nothing.
    fd_ = ::openat(folder_, ".", O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666);
    if (fd_ >= 0)
        return true;
    if (errno != EOPNOTSUPP && errno != EISDIR && errno != EINVAL) {
        Fail(errno);
        return false;
    }
    // A file system without unnamed files: a new name that nothing else has.
    for (int attempt = 0; attempt < 100; ++attempt) {
        const QByteArray name = UniqueName();
        fd_ = ::openat(folder_, name.constData(),
                       O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
        if (fd_ >= 0) {
            tempName_ = name;
            return true;
        }
        if (errno != EEXIST)
            break;
    }
    Fail(errno);
    return false;
}

bool ExtractionTarget::Close()
{
    if (recoder_)
        recoder_->close(); // what it holds back goes out first
    switch (kind_) {
    case Kind::None:
        return false;
    case Kind::Output:
        return true; // unbuffered: every write has already reported its outcome
    case Kind::Device: {
        const int fd = std::exchange(fd_, -1);
        if (::close(fd) != 0) {
            Fail(errno);
            return false;
        }
        return true;
    }
    case Kind::NewFile:
        break;
    }
    if (placed_)
        return true;
    // Some file systems report a full disk only when the data is flushed.
    if (::fsync(fd_) != 0) {
        Fail(errno);
        return false;
    }
    if (IsKeptClear()) {
        Refuse(Problem::IsLog);
        return false;
    }
    return Place();
}

bool ExtractionTarget::Place()
{
    // A link cannot replace a name, so an unnamed file first gets a name of its own.
    for (int attempt = 0; attempt < 100 && tempName_.isEmpty(); ++attempt) {
        const QByteArray name = UniqueName();
        int linked = ::linkat(fd_, "", folder_, name.constData(), AT_EMPTY_PATH);
        if (linked != 0 && errno != EEXIST) {
            // Without the right to link by descriptor, through its /proc entry.
            const QByteArray proc = "/proc/self/fd/" + QByteArray::number(fd_);
            linked =
                ::linkat(AT_FDCWD, proc.constData(), folder_, name.constData(), AT_SYMLINK_FOLLOW);
        }
        if (linked == 0) {
            tempName_ = name;
        } else if (errno != EEXIST) {
            Fail(errno);
            return false;
        }
    }
    if (tempName_.isEmpty() ||
        ::renameat(folder_, tempName_.constData(), folder_, name_.constData()) != 0) {
        Fail(tempName_.isEmpty() ? EEXIST : errno);
        return false;
    }
    placed_ = true;
    tempName_.clear();
    ::fsync(folder_); // the new name should outlast a crash; not every file system can
    return true;
}

bool ExtractionTarget::Holds(const QByteArray& name) const
{
    return fd_ >= 0 && SameFile(fd_, folder_, name);
}

QIODevice* ExtractionTarget::StartOver()
{
    if (!CanStartOver())
        return nullptr;
    if (::ftruncate(fd_, 0) != 0 || ::lseek(fd_, 0, SEEK_SET) != 0)
        return Fail(errno);
    device_ = std::make_unique<DescriptorDevice>(fd_, true);
    return Recoded(device_.get());
}

void ExtractionTarget::Discard()
{
    if (kind_ == Kind::NewFile) {
        // Only what this run made: never a file that took the name since.
        const QByteArray& ours = placed_ ? name_ : tempName_;
        if (!ours.isEmpty() && Holds(ours))
            ::unlinkat(folder_, ours.constData(), 0);
        placed_ = false;
        tempName_.clear();
    }
    Release();
}

void ExtractionTarget::Release()
{
    device_.reset();
    if (fd_ >= 0 && kind_ != Kind::Output)
        ::close(fd_);
    fd_ = -1;
    if (lock_ >= 0) {
        // Removed while still held, so no other run holds this one.
        if (SameFile(lock_, folder_, lockName_))
            ::unlinkat(folder_, lockName_.constData(), 0);
        ::close(lock_);
        lock_ = -1;
    }
    if (folder_ >= 0)
        ::close(folder_);
    folder_ = -1;
    kind_ = Kind::None;
}

QString ExtractionTarget::ErrorString() const
{
    if (error_.isEmpty() && device_)
        return device_->Failure();
    return error_;
}

QString ExtractionTarget::Name() const
{
    return path_.isEmpty() ? QStringLiteral("standard output") : path_;
}
