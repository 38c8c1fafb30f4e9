#include "HeldOutput.h"

#include <algorithm>
#include <cstring>
#include <utility>

HeldOutput::HeldOutput(QIODevice& out, std::size_t limit) : out_(&out), limit_(limit)
{
    open(WriteOnly | Unbuffered);
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
    return held == 0 || Pass(held_.Data(), static_cast<qint64>(held));
}

void HeldOutput::Drop()
{
    used_ = 0;
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

qint64 HeldOutput::writeData(const char* data, qint64 size)
{
    const auto n = static_cast<std::size_t>(size);
    if (holding_ && !dropping_) {
        if (!held_.Data())
            held_ = HugePageBuffer(limit_);
        // At the limit, or with no memory to hold in, it is settled now.
        if (used_ + n > std::min(limit_, held_.Size())) {
            if (!settle_()) {
                used_ = 0;
                dropping_ = true;
            } else if (!Release()) {
                return -1;
            }
        }
    }
    if (dropping_)
        return size;
    if (failed_)
        return -1;
    if (!holding_)
        return Pass(data, size) ? size : -1;
    std::memcpy(held_.Data() + used_, data, n);
    used_ += n;
    return size;
}
