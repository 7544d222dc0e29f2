// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/ordered_workers.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstddef>
#include <string>
#include <thread>
#include <vector>

namespace trevak {
namespace {

struct OrderCase {
  std::size_t count;
  int threads;
  std::size_t ahead;
  std::size_t failAt;  // the item whose consumer refuses it; count for none
};

class ConsumeInOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(ConsumeInOrder, HandsOverEveryItemInOrderAndStopsAtARefusal) {
  const OrderCase c = GetParam();
  std::atomic<std::size_t> produced{0};
  std::atomic<std::size_t> running{0};
  std::atomic<std::size_t> mostRunning{0};
  std::vector<std::size_t> seen;
  const auto produce = [&](std::size_t i) {
    ++produced;
    const std::size_t now = ++running;
    std::size_t most = mostRunning.load();
    while (now > most && !mostRunning.compare_exchange_weak(most, now)) {
    }
    // Later items finish first, so order is only kept if the consumer waits for it.
    std::this_thread::sleep_for(std::chrono::microseconds(50 * ((c.count - i) % 5)));
    --running;
    return std::to_string(i * 7);
  };
  const auto consume = [&](std::size_t i, std::string item) {
    EXPECT_EQ(item, std::to_string(i * 7));
    seen.push_back(i);
    return i != c.failAt;
  };
  const bool ok = consumeInOrder<std::string>(c.count, c.threads, c.ahead, produce, consume);

  const std::size_t last = c.failAt < c.count ? c.failAt + 1 : c.count;
  EXPECT_EQ(ok, c.failAt >= c.count);
  ASSERT_EQ(seen.size(), last);
  for (std::size_t i = 0; i < seen.size(); ++i) EXPECT_EQ(seen[i], i);
  // Nothing is made far beyond the refusal, and never more than `ahead` past the consumer.
  EXPECT_LE(produced.load(), std::min(c.count, last + c.ahead + 1));
  EXPECT_LE(mostRunning.load(), static_cast<std::size_t>(std::max(c.threads, 1)));
}

INSTANTIATE_TEST_SUITE_P(Runs, ConsumeInOrder,
                         ::testing::Values(OrderCase{0, 2, 4, 0}, OrderCase{1, 2, 4, 1},
                                           OrderCase{40, 1, 4, 40}, OrderCase{40, 2, 4, 40},
                                           OrderCase{40, 4, 1, 40}, OrderCase{100, 3, 6, 40},
                                           OrderCase{40, 2, 4, 0}, OrderCase{40, 2, 3, 39},
                                           OrderCase{5, 8, 2, 5}));

}  // namespace
}  // namespace trevak
