// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/save_cleanup.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>

namespace trevak {

namespace temporary_files {

namespace {

constexpr std::size_t kPathBytes = 4096;
enum SlotState : int { kFree = 0, kFilling = 1, kHeld = 2 };

struct Slot {
  std::atomic<int> state{kFree};
  char path[kPathBytes];
};

Slot g_slots[kSlots];
static_assert(std::atomic<int>::is_always_lock_free, "the signal handler reads the slots");

extern "C" void removeAndEnd(int signalNumber) {
  // Only async-signal-safe calls here: unlink, sigaction, raise.
  for (Slot& slot : g_slots) {
    if (slot.state.load(std::memory_order_acquire) == kHeld) ::unlink(slot.path);
  }
  struct sigaction action {};
  action.sa_handler = SIG_DFL;
  sigemptyset(&action.sa_mask);
  ::sigaction(signalNumber, &action, nullptr);
  ::raise(signalNumber);
}

}  // namespace

void add(const std::string& path) {
  if (path.size() >= kPathBytes) return;
  for (Slot& slot : g_slots) {
    int expected = kFree;
    if (!slot.state.compare_exchange_strong(expected, kFilling, std::memory_order_acquire)) continue;
    std::memcpy(slot.path, path.c_str(), path.size() + 1);
    slot.state.store(kHeld, std::memory_order_release);
    return;
  }
}

void drop(const std::string& path) {
  for (Slot& slot : g_slots) {
    if (slot.state.load(std::memory_order_acquire) != kHeld) continue;
    if (std::strcmp(slot.path, path.c_str()) != 0) continue;
    int expected = kHeld;
    if (slot.state.compare_exchange_strong(expected, kFree, std::memory_order_release)) return;
  }
}

void removeOnSignals() {
  for (const int signalNumber : {SIGTERM, SIGINT, SIGHUP}) {
    struct sigaction old {};
    if (::sigaction(signalNumber, nullptr, &old) != 0) continue;
    // A signal the starting program ignores (nohup) stays ignored; one someone else handles
    // stays theirs.
    if ((old.sa_flags & SA_SIGINFO) != 0 || old.sa_handler != SIG_DFL) continue;
    struct sigaction action {};
    action.sa_handler = removeAndEnd;
    sigemptyset(&action.sa_mask);
    ::sigaction(signalNumber, &action, nullptr);
  }
}

}  // namespace temporary_files

std::vector<std::string> interruptedSaveLeftovers(const std::string& libraryPath) {
  const std::size_t slash = libraryPath.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : libraryPath.substr(0, slash + 1);
  const std::string leaf = slash == std::string::npos ? libraryPath : libraryPath.substr(slash + 1);
  // The writer's temporary name: "." + the first 200 bytes of the file name + ".save-" + 9 digits.
  std::string prefix(1, '.');
  prefix.append(leaf, 0, 200);
  prefix.append(".save-");
  std::vector<std::string> found;
  DIR* dir = ::opendir(folder.c_str());
  if (dir == nullptr) return found;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view name(entry->d_name);
    if (name.size() != prefix.size() + 9 || name.substr(0, prefix.size()) != prefix) continue;
    bool digits = true;
    for (const char c : name.substr(prefix.size())) digits = digits && c >= '0' && c <= '9';
    if (!digits) continue;
    std::string path = slash == std::string::npos ? std::string() : folder;
    path.append(name);
    found.push_back(std::move(path));
  }
  ::closedir(dir);
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace trevak
