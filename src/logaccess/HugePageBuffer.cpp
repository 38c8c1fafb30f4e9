#include "HugePageBuffer.h"

#include <cstdint>
#include <cstdlib>
#include <utility>
#include <sys/mman.h>

namespace {
constexpr std::size_t HugePage = 2 * 1024 * 1024;
}

HugePageBuffer::HugePageBuffer(std::size_t size)
{
    if (size == 0)
        return;
    if (size < HugePage / 2) {
        data_ = static_cast<char*>(std::aligned_alloc(64, (size + 63) / 64 * 64));
        size_ = data_ ? size : 0;
        return;
    }
    const std::size_t rounded = (size + HugePage - 1) / HugePage * HugePage;
    // A huge page more than needed, so that a range on huge-page borders can
    // be kept and the rest given back.
    void* map = ::mmap(nullptr, rounded + HugePage, PROT_READ | PROT_WRITE,
                       MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (map == MAP_FAILED)
        return;
    const auto begin = reinterpret_cast<std::uintptr_t>(map);
    const std::uintptr_t aligned = (begin + HugePage - 1) & ~std::uintptr_t{HugePage - 1};
    const std::uintptr_t end = begin + rounded + HugePage;
    if (aligned > begin)
        ::munmap(map, aligned - begin);
    if (end > aligned + rounded)
        ::munmap(reinterpret_cast<void*>(aligned + rounded), end - (aligned + rounded));
    data_ = reinterpret_cast<char*>(aligned);
    size_ = rounded;
    mapped_ = true;
    // Only a hint: where huge pages are off, the memory is the same.
    ::madvise(data_, size_, MADV_HUGEPAGE);
}

HugePageBuffer::~HugePageBuffer()
{
    Release();
}

HugePageBuffer::HugePageBuffer(HugePageBuffer&& other) noexcept
    : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)),
      mapped_(std::exchange(other.mapped_, false))
{
}

HugePageBuffer& HugePageBuffer::operator=(HugePageBuffer&& other) noexcept
{
    if (this != &other) {
        Release();
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        mapped_ = std::exchange(other.mapped_, false);
    }
    return *this;
}

void HugePageBuffer::Release()
{
    if (mapped_)
        ::munmap(data_, size_);
    else
        std::free(data_);
    data_ = nullptr;
    size_ = 0;
    mapped_ = false;
}
