#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace quorvel {

// One running process as the enumeration reports it.
struct ProcessRecord {
    uint32_t pid = 0;
    uint16_t task = 0; // 16-bit task handle; always 0 here
    std::string path;  // full path of the executable; empty when it cannot be read
};

// What MatchAndTerminate looks for: the wanted executable name.
struct MatchRequest {
    std::string name;
};

// Called once per process; returns true to go on, false to stop.
using ProcessCallback = std::function<bool(const ProcessRecord&)>;

// Terminates (SIGKILL) every running process whose executable path matches
// `name` (see ProcessPathMatches); one pair of surrounding double quotes is
// ignored, and an empty name terminates nothing. Our own process is never
// terminated. Failures are silent: the effect is only that fewer processes
// die.
void TerminateProcessesByName(std::string_view name);

// Calls `callback` for every process listed in /proc, with the executable
// path read from /proc/<pid>/exe. Returns false when /proc cannot be listed.
bool EnumerateProcesses(const ProcessCallback& callback);

// The per-process step of TerminateProcessesByName: kills the process when
// its path matches the request. Always returns true, so every process is
// visited.
bool MatchAndTerminate(const ProcessRecord& record, const MatchRequest& request);

// The matching rule, letters compared without regard to case: the name must
// occur in the path with the path's separator in front of it. A name without
// a full stop gets ".EXE" added when the path's first ".EXE" ends the path,
// so that it matches only executables of exactly that name. An empty name or
// an empty path never matches.
bool ProcessPathMatches(std::string_view path, std::string_view name);

} // namespace quorvel
