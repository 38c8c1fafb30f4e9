#pragma once

#include <cstddef>

// Memory for the large buffers a run fills again and again, in huge pages
// where the system gives them: every 4 KiB page first touched costs a fault,
// which on a virtual machine is dear, and a 2 MiB page costs one. Elsewhere,
// and for less than half a huge page, which is cheaper to fault in than to
// clear whole, it is plain memory aligned to 64 bytes.
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
    void Release();

    char* data_ = nullptr;
    std::size_t size_ = 0;
    bool mapped_ = false; // from mmap, not malloc
};
