#include "HugePageBuffer.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>
#include <sys/mman.h>

// The buffer must be memory of at least the size asked for, on huge-page
// borders when large, and given back whole when it goes, also after a move.

namespace {

constexpr std::size_t HugePage = 2 * 1024 * 1024;

// Whether any of the pages of [data, data + size) is still mapped.
bool Mapped(const char* data, std::size_t size)
{
    std::vector<unsigned char> pages(size / 4096);
    return ::mincore(const_cast<char*>(data), size, pages.data()) == 0 || errno != ENOMEM;
}

TEST(HugePageBuffer, IsWholeHugePagesOfWritableMemoryGivenBackWhenItGoes)
{
    const char* data = nullptr;
    std::size_t size = 0;
    {
        HugePageBuffer buffer(HugePage + 1);
        ASSERT_NE(buffer.Data(), nullptr);
        EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.Data()) % HugePage, 0u);
        EXPECT_EQ(buffer.Size(), 2 * HugePage);
        std::memset(buffer.Data(), 0x5a, buffer.Size());
        EXPECT_EQ(buffer.Data()[buffer.Size() - 1], 0x5a);

        HugePageBuffer moved(std::move(buffer));
        EXPECT_EQ(buffer.Data(), nullptr);
        data = moved.Data();
        size = moved.Size();
        ASSERT_TRUE(Mapped(data, size));
        HugePageBuffer other(1);
        other = std::move(moved); // the memory `other` had goes, `moved`'s stays
        EXPECT_EQ(other.Data(), data);
    }
    EXPECT_FALSE(Mapped(data, size));
    EXPECT_EQ(HugePageBuffer(0).Data(), nullptr);
}

TEST(HugePageBuffer, IsPlainAlignedMemoryWhenSmall)
{
    HugePageBuffer buffer(1000);
    ASSERT_NE(buffer.Data(), nullptr);
    EXPECT_EQ(reinterpret_cast<std::uintptr_t>(buffer.Data()) % 64, 0u);
    EXPECT_EQ(buffer.Size(), 1000u);
    std::memset(buffer.Data(), 0x5a, buffer.Size());
    HugePageBuffer large(HugePage);
    large = std::move(buffer); // the huge pages go, the small memory moves
    EXPECT_EQ(large.Size(), 1000u);
    EXPECT_EQ(large.Data()[999], 0x5a);
}

} // namespace
