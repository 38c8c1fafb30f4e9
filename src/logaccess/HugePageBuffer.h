#pragma once

#include <cstddef>

// Memory for the large buffers a run fills again and again, in huge pages
// where the system gives them: every 4 KiB page first touched costs a fault,
// which on a virtual machine is dear, and a 2 MiB page costs one. Elsewhere
// it is plain memory. Its size is rounded up to whole huge pages.
class HugePageBuffer {
public:
    HugePageBuffer() = default;
    // Null (Data()) when the memory cannot be had.
    explicit HugePageBuffer(std::size_t size);
    ~HugePageBuffer();
    HugePageBuffer(HugePageBuffer&& other) noexcept;
    HugePageBuffer& operator=(HugePageBuffer&& other) noexcept;
    HugePageBuffer(const HugePageBuffer&) = delete;
    HugePageBuffer& operator=(const HugePageBuffer&) = delete;

    char* Data() const { return data_; }
    std::size_t Size() const { return size_; }

private:
    char* data_ = nullptr;
    std::size_t size_ = 0;
};
