#include "HeldOutput.h"

#include "ReadFullyAt.h"

#include <QDir>
#include <QFile>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>
#include <utility>

HeldOutput::HeldOutput(QIODevice& out, std::size_t limit, std::size_t spillLimit,
                       QString spillFolder)
    : out_(&out), limit_(limit), spillLimit_(spillLimit),
      spillFolder_(spillFolder.isEmpty() ? QDir::tempPath() : std::move(spillFolder))
{
    open(WriteOnly | Unbuffered);
}

HeldOutput::~HeldOutput()
{
    CloseSpill();
}

void HeldOutput::Hold(std::function<bool()> settle)
{
    settle_ = std::move(settle);
    holding_ = true;
    dropping_ = false;
}

bool HeldOutput::Release()
{
    const std::size_t held = std::exchange(used_, 0);
    holding_ = dropping_ = false;
    const bool passed = (held == 0 || Pass(held_.Data(), static_cast<qint64>(held))) &&
                        PassSpilled();
    CloseSpill();
    return passed;
}

void HeldOutput::Drop()
{
    used_ = 0;
    CloseSpill();
    holding_ = dropping_ = false;
}

void HeldOutput::Retarget(QIODevice& out)
{
    out_ = &out;
    failed_ = false;
}

bool HeldOutput::Pass(const char* data, qint64 size)
{
    // Once anything is lost, every later write fails too.
    failed_ = failed_ || out_->write(data, size) != size;
    if (failed_)
        setErrorString(out_->errorString());
    return !failed_;
}

bool HeldOutput::Spill(const char* data, std::size_t n)
{
    if (spilled_ + n > spillLimit_)
        return false;
    if (spill_ < 0) {
        // Unnamed: it goes with the run, however the run ends.
        spill_ = ::open(QFile::encodeName(spillFolder_).constData(), O_TMPFILE | O_RDWR | O_CLOEXEC,
                        0600);
        if (spill_ < 0)
            return false;
    }
    for (std::size_t done = 0; done < n;) {
        const ssize_t wrote = ::pwrite(spill_, data + done, n - done,
                                       static_cast<off_t>(spilled_ + done));
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0)
            return false; // what this write left past spilled_ is never read
        done += static_cast<std::size_t>(wrote);
    }
    spilled_ += n;
    return true;
}

bool HeldOutput::PassSpilled()
{
    // The memory is free again once what it held is passed on.
    for (std::size_t at = 0; at < spilled_ && !failed_;) {
        const std::size_t piece = std::min(spilled_ - at, held_.Size());
        const ssize_t got = ReadFullyAt(spill_, held_.Data(), piece, static_cast<off_t>(at));
        if (got != static_cast<ssize_t>(piece)) {
            failed_ = true;
            setErrorString(QString::fromLocal8Bit(std::strerror(got < 0 ? errno : EIO)));
            break;
        }
        Pass(held_.Data(), got);
        at += piece;
    }
    return !failed_;
}

void HeldOutput::CloseSpill()
{
    if (spill_ >= 0)
        ::close(spill_);
    spill_ = -1;
    spilled_ = 0;
}

qint64 HeldOutput::writeData(const char* data, qint64 size)
{
    const auto n = static_cast<std::size_t>(size);
    if (holding_ && !dropping_) {
        if (!held_.Data())
            held_ = HugePageBuffer(limit_);
        // In memory while it has room, then on in the temporary file; at the
        // limits, or with no room to hold in, it is settled now.
        if (spilled_ == 0 && used_ + n <= std::min(limit_, held_.Size())) {
            std::memcpy(held_.Data() + used_, data, n);
            used_ += n;
            return size;
        }
        if (held_.Data() && Spill(data, n))
            return size;
        if (!settle_()) {
            used_ = 0;
            CloseSpill();
            dropping_ = true;
        } else if (!Release()) {
            return -1;
        }
    }
    if (dropping_)
        return size;
    if (failed_)
        return -1;
    return Pass(data, size) ? size : -1;
}
