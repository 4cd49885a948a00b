#include "support/ProcessControl.h"

#include <dirent.h>
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <vector>

namespace quorvel {

namespace {

// Upper case for ASCII letters only, so the result never depends on the
// locale the program happens to run under.
std::string ToUpper(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return out;
}

// Target of /proc/<pid>/exe, or empty when it cannot be read (kernel threads,
// processes of other users).
std::string ExecutablePath(const std::string& pid) {
    const std::string link = "/proc/" + pid + "/exe";
    std::vector<char> buffer(4096);
    for (;;) {
        ssize_t n = readlink(link.c_str(), buffer.data(), buffer.size());
        if (n < 0)
            return {};
        if (static_cast<size_t>(n) < buffer.size())
            return std::string(buffer.data(), static_cast<size_t>(n));
        if (buffer.size() >= (1u << 20))
            return {};
        buffer.resize(buffer.size() * 2);
    }
}

bool IsAllDigits(const char* text) {
    if (!*text)
        return false;
    for (; *text; ++text)
        if (*text < '0' || *text > '9')
            return false;
    return true;
}

} // namespace

bool ProcessPathMatches(std::string_view path, std::string_view name) {
    if (name.empty() || path.empty())
        return false;
    const std::string upperPath = ToUpper(path);
    std::string wanted = ToUpper(name);
    if (upperPath.find('/') != std::string::npos) {
        wanted.insert(wanted.begin(), '/');
        const size_t exe = upperPath.find(".EXE");
        if (wanted.find('.') == std::string::npos && exe != std::string::npos &&
            exe + 4 == upperPath.size())
            wanted += ".EXE";
    }
    return upperPath.find(wanted) != std::string::npos;
}

bool MatchAndTerminate(const ProcessRecord& record, const MatchRequest& request) {
    if (request.name.empty())
        return true;
    if (record.pid == 0 || record.pid == static_cast<uint32_t>(getpid()))
        return true;
    if (ProcessPathMatches(record.path, request.name))
        kill(static_cast<pid_t>(record.pid), SIGKILL);
    return true;
}

bool EnumerateProcesses(const ProcessCallback& callback) {
    DIR* proc = opendir("/proc");
    if (!proc)
        return false;
    while (const dirent* entry = readdir(proc)) {
        if (!IsAllDigits(entry->d_name))
            continue;
        ProcessRecord record;
        record.pid = static_cast<uint32_t>(std::strtoul(entry->d_name, nullptr, 10));
        record.path = ExecutablePath(entry->d_name);
        if (!callback(record))
            break;
    }
    closedir(proc);
    return true;
}

void TerminateProcessesByName(std::string_view name) {
    if (name.empty())
        return;
    if (name.front() == '"')
        name.remove_prefix(1);
    if (!name.empty() && name.back() == '"')
        name.remove_suffix(1);
    const MatchRequest request{std::string(name)};
    EnumerateProcesses(
        [&request](const ProcessRecord& record) { return MatchAndTerminate(record, request); });
}

} // namespace quorvel
