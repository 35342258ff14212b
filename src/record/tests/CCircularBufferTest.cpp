#include "CCircularBuffer.h"

#include <gtest/gtest.h>

#include <atomic>
#include <numeric>
#include <thread>
#include <vector>

namespace tavril {
namespace {

std::vector<int16_t> Ramp(int from, int n)
{
    std::vector<int16_t> v(static_cast<size_t>(n));
    std::iota(v.begin(), v.end(), int16_t(from));
    return v;
}

TEST(CCircularBufferTest, WrapAndTimeOrder)
{
    CCircularBuffer ring;
    ASSERT_EQ(ring.Allocate(10, 1, 2), 1);
    ring.Write(Ramp(0, 6).data(), 6);
    EXPECT_FALSE(ring.Wrapped());
    ring.Write(Ramp(6, 4).data(), 4);  // reaches the end exactly
    EXPECT_TRUE(ring.Wrapped());
    EXPECT_EQ(ring.WritePosition(), 0u);

    ring.Write(Ramp(10, 3).data(), 3);
    std::vector<int16_t> out(10);
    ASSERT_EQ(ring.ReadRange(0, 10, out.data()), 10u);
    EXPECT_EQ(out, Ramp(3, 10));
    ASSERT_EQ(ring.FetchNewest(4, out.data()), 4u);
    EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + 4), Ramp(9, 4));
    // A block longer than the ring keeps its newest frames.
    ring.Write(Ramp(100, 25).data(), 25);
    ASSERT_EQ(ring.ReadRange(-1, 10, out.data()), 10u);
    EXPECT_EQ(out, Ramp(115, 10));
    EXPECT_EQ(ring.FramesWritten(), 38u);
}

TEST(CCircularBufferTest, UnreadFramesAreReadOnceAndOverrunKeepsTheNewest)
{
    CCircularBuffer ring;
    ASSERT_EQ(ring.Allocate(10, 1, 2), 1);
    std::vector<int16_t> out(10);
    ring.Write(Ramp(0, 5).data(), 5);
    EXPECT_EQ(ring.UnreadCount(), 5u);
    ASSERT_EQ(ring.ReadUnread(3, out.data()), 3u);
    EXPECT_EQ(std::vector<int16_t>(out.begin(), out.begin() + 3), Ramp(0, 3));
    ASSERT_EQ(ring.ReadUnread(-1, out.data()), 2u);
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(ring.UnreadCount(), 0u);
    ring.Write(Ramp(5, 15).data(), 15);
    EXPECT_EQ(ring.UnreadCount(), 10u);
    ASSERT_EQ(ring.ReadUnread(-1, out.data()), 10u);
    EXPECT_EQ(out, Ramp(10, 10));
    EXPECT_EQ(ring.ReadUnread(-1, out.data()), 0u);
}

// Each stereo frame carries its index in both channels (the second
// inverted): a torn or misplaced frame cannot pass the checks.
TEST(CCircularBufferTest, ConcurrentReadersNeverSeeTornOrStaleFrames)
{
    CCircularBuffer ring;
    constexpr uint32_t kCapacity = 4096;
    constexpr uint32_t kWant = 1024;
    ASSERT_EQ(ring.Allocate(kCapacity, 2, 2), 1);
    constexpr uint32_t kTotal = 2'000'000;
    std::atomic<bool> done{false};
    std::thread writer([&] {
        std::vector<uint16_t> block(2 * 257);
        for (uint32_t f = 0; f < kTotal; f += 257) {
            for (uint32_t i = 0; i < 257; ++i) {
                block[2 * i] = uint16_t(f + i);
                block[2 * i + 1] = uint16_t(~(f + i));
            }
            ring.Write(block.data(), 257);
        }
        done = true;
    });
    std::vector<uint16_t> out(2 * kCapacity);
    long checks = 0;
    while (!done || checks == 0) {
        const uint64_t before = ring.FramesWritten();
        const uint32_t n = ring.FetchNewest(kWant, out.data());
        const uint64_t after = ring.FramesWritten();
        if (n == 0) continue;
        // Short only when the writer lapped the ring during every attempt.
        if (n < std::min<uint64_t>(kWant, before)) {
            ASSERT_GT(after - before, kCapacity - kWant);
        }
        const uint16_t last = out[2 * (n - 1)];
        // The newest frame fetched was written between the two counts.
        const uint64_t lastIndex = before - 1 + uint16_t(last - uint16_t(before - 1));
        ASSERT_GE(lastIndex + 1, before);
        ASSERT_LE(lastIndex + 1, after);
        for (uint32_t i = 0; i < n; ++i) {
            ASSERT_EQ(out[2 * i], uint16_t(last - (n - 1 - i))) << "frame " << i << " out of order";
            ASSERT_EQ(out[2 * i + 1], uint16_t(~out[2 * i])) << "frame " << i << " torn";
        }
        ++checks;
    }
    writer.join();
    EXPECT_GT(checks, 0);
}

} // namespace
} // namespace tavril
