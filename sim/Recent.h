#pragma once
// What a bench model heard, kept for tests and diagnostics to look back on.
// A window left connected polls ten times a second for days, so a log keeps
// only its most recent entries instead of growing for the bench's whole life.
#include <cstddef>
#include <utility>
#include <vector>

namespace sim {

inline constexpr std::size_t recentEntries = 1 << 16;

// Appends `entry`; at the limit the older half goes first (amortised constant time).
template <class T, class U> void keepRecent(std::vector<T>& log, U&& entry) {
    if (log.size() >= recentEntries) log.erase(log.begin(), log.begin() + recentEntries / 2);
    log.push_back(std::forward<U>(entry));
}

} // namespace sim
