// SPDX-License-Identifier: GPL-3.0-or-later
// Time and memory taken by a piece of work, for tests that guard against hangs and blow-ups.
// The bounds these tests set are generous: they must hold on a loaded machine under the
// sanitizers and catch only what grows out of all proportion.
#pragma once

#include <chrono>
#include <cstddef>
#include <fstream>
#include <string>

namespace trevak::test {

/// True in builds with AddressSanitizer, whose shadow memory and quarantine raise the memory a
/// test sees and whose checks slow it down; hostile-input tests scale their inputs down there.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool kUnderSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
inline constexpr bool kUnderSanitizer = true;
#else
inline constexpr bool kUnderSanitizer = false;
#endif
#else
inline constexpr bool kUnderSanitizer = false;
#endif

inline constexpr std::size_t kMiB = std::size_t{1} << 20;

/// Memory that ASan may hold on to beyond what the code keeps: freed blocks wait in its
/// quarantine (256 MB by default) before they are reused.
inline constexpr std::size_t kSanitizerSlack = kUnderSanitizer ? 320 * kMiB : 0;

/// The peak resident memory of this process from construction on, above what it held at
/// construction. Linux only: it resets the kernel's peak (VmHWM) through /proc/self/clear_refs;
/// where that is refused, the peak since the start of the process is used instead, which can
/// only make the growth look smaller.
class PeakMemory {
 public:
  PeakMemory() {
    std::ofstream("/proc/self/clear_refs") << "5";
    m_start = statusKiB("VmRSS:");
  }

  /// Bytes of peak growth so far.
  std::size_t growth() const {
    const std::size_t peak = statusKiB("VmHWM:");
    return peak > m_start ? (peak - m_start) * 1024 : 0;
  }

 private:
  static std::size_t statusKiB(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string word;
    while (status >> word) {
      if (word == field) {
        std::size_t kib = 0;
        status >> kib;
        return kib;
      }
    }
    return 0;
  }

  std::size_t m_start = 0;
};

/// Seconds since construction.
class Stopwatch {
 public:
  double seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count();
  }

 private:
  std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

}  // namespace trevak::test
