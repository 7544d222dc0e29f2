// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <optional>
#include <system_error>
#include <thread>
#include <vector>

namespace trevak {

/// Makes items 0 to count - 1 on `threads` worker threads and hands them to `consume` on the
/// calling thread strictly in order, so what a run writes and prints does not depend on which
/// worker finished first. At most `ahead` items wait made but not consumed, which bounds the
/// memory. When `consume` returns false no further items are started and the call returns
/// false once the workers have stopped. `produce(i)` must be callable from several threads at
/// once and must not throw.
template <typename T, typename Produce, typename Consume>
bool consumeInOrder(std::size_t count, int threads, std::size_t ahead, Produce&& produce,
                    Consume&& consume) {
  if (threads <= 1 || count <= 1) {
    for (std::size_t i = 0; i < count; ++i) {
      if (!consume(i, produce(i))) return false;
    }
    return true;
  }
  ahead = std::max<std::size_t>(ahead, 1);
  std::mutex lock;
  std::condition_variable made;
  std::condition_variable room;
  std::vector<std::optional<T>> results(count);
  std::size_t next = 0;      // the next item a worker starts
  std::size_t consumed = 0;  // items handed to consume
  bool stop = false;

  const auto work = [&] {
    std::unique_lock<std::mutex> guard(lock);
    for (;;) {
      room.wait(guard, [&] { return stop || next >= count || next < consumed + ahead; });
      if (stop || next >= count) return;
      const std::size_t i = next++;
      guard.unlock();
      T item = produce(i);
      guard.lock();
      results[i] = std::move(item);
      made.notify_all();
    }
  };
  // Stops and joins the workers however the loop below is left.
  struct Crew {
    std::mutex& lock;
    std::condition_variable& room;
    bool& stop;
    std::vector<std::thread> threads;
    ~Crew() {
      {
        const std::lock_guard<std::mutex> guard(lock);
        stop = true;
      }
      room.notify_all();
      for (std::thread& t : threads) t.join();
    }
  } crew{lock, room, stop, {}};
  const std::size_t n = std::min(static_cast<std::size_t>(threads), count);
  crew.threads.reserve(n);
  for (std::size_t k = 0; k < n; ++k) {
    try {
      crew.threads.emplace_back(work);
    } catch (const std::system_error&) {
      break;  // fewer workers; none at all is handled below
    }
  }

  bool ok = true;
  for (std::size_t i = 0; i < count && ok; ++i) {
    std::optional<T> item;
    if (crew.threads.empty()) {
      item.emplace(produce(i));
    } else {
      std::unique_lock<std::mutex> guard(lock);
      made.wait(guard, [&] { return results[i].has_value(); });
      item = std::move(results[i]);
      results[i].reset();
      consumed = i + 1;
      guard.unlock();
      room.notify_all();
    }
    ok = consume(i, std::move(*item));
  }
  return ok;
}

}  // namespace trevak
