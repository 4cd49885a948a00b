#pragma once

#include <cstdint>
#include <string>

namespace quorvel {

// Where the links, the web site command and the bug report point.
inline constexpr const char* kMakerWebsiteUrl = "https://www.brellwick.example/";
inline constexpr const char* kSupportEmailAddress = "support@brellwick.example";
inline constexpr const char* kProductName = "Quorvel Desktop Edition";
inline constexpr const char* kProductVersion = "1.15";

// Processor architectures the level table knows; anything else reports no level.
enum class CpuArch { X86 = 0, Mips = 1, Alpha = 2, PowerPc = 3, Other = -1 };

// The raw facts the bug report is made of. GatherSystemFacts reads them from the
// running system; tests fill them by hand.
struct SystemFacts {
    CpuArch arch = CpuArch::Other;
    int processorLevel = 0; // x86: the "cpu family" number
    int processorCount = 0;
    std::string vendor;       // empty when unknown
    int mhz = -1;             // negative when unknown
    long long residentKb = 0; // this process's resident memory
    unsigned long long totalPhysicalBytes = 0;
    unsigned long long availablePhysicalBytes = 0; // what new work can use without swapping
    unsigned long long totalVirtualBytes = 0;      // the address space this process may use
    bool osKnown = false;                          // false: "Not able to get OS information"
    std::string osName;
    std::string osVersion;
    std::string servicePack;
    std::string build;
};

// The thirteen report values, as text.
struct SystemInfo {
    std::string processorCount;
    std::string processorLevel;
    std::string processorVendor;
    std::string processorSpeed;
    std::string memoryUsed;
    std::string totalPhysical;
    std::string availablePhysical;
    std::string totalVirtual;
    std::string osName;
    std::string osVersion;
    std::string servicePack;
    std::string build;
};

// Name of a processor level: x86 3/4/5/6 are the 386 to Pentium II names, other
// x86 levels are empty, MIPS 4 is "MIPS R4000", Alpha carries its level, the
// known PowerPC levels have their model names.
std::string ProcessorLevelName(CpuArch arch, int level);

// Architecture from a kernel machine name ("x86_64", "i686", "ppc64le", ...).
CpuArch ArchFromMachine(const std::string& machine);

// Fills facts from the text of /proc/cpuinfo: vendor, speed and x86 family of the
// first processor.
void ParseCpuInfo(const std::string& text, SystemFacts& facts);

// Fills the operating system name (NAME, else "Linux") and version (VERSION_ID)
// from the text of /etc/os-release; false when the text names nothing.
bool ParseOsRelease(const std::string& text, SystemFacts& facts);

// The memory available for new work, in bytes, from the text of
// /proc/meminfo (its "MemAvailable" line, in kB); false when the text has no
// such line (kernels before 3.14).
bool ParseMemAvailable(const std::string& meminfo, unsigned long long& bytes);

// The user address space of a process of this architecture: what it can map
// when nothing limits it.
#if defined(__aarch64__) && !defined(__ILP32__)
inline constexpr unsigned long long kUserAddressSpaceBytes = 1ull << 48; // 256 TiB
#elif UINTPTR_MAX > 0xFFFFFFFFu
inline constexpr unsigned long long kUserAddressSpaceBytes = 1ull << 47; // 128 TiB
#else
inline constexpr unsigned long long kUserAddressSpaceBytes = 1ull << 32; // 4 GiB
#endif

// The total virtual memory of a process whose address space limit
// (RLIMIT_AS, soft) is `limit`: the limit, but no more than the architecture's
// user address space, which is also what an unlimited process gets.
unsigned long long TotalVirtualBytes(unsigned long long limit);

// Reads the facts of this computer and process: /proc/cpuinfo, sysconf, sysinfo,
// /proc/meminfo, getrlimit, uname, /etc/os-release and /proc/self/statm.
// Missing sources leave their facts at the defaults.
SystemFacts GatherSystemFacts();

// Turns facts into report values ("2", "Pentium (II/Pro)", "2400 MHz",
// "524288 KB", ...).
SystemInfo MakeSystemInfo(const SystemFacts& facts);

// A memory size in bytes as the report shows it: kilobytes, no leading blanks,
// followed by " KB".
std::string FormatMemoryKb(unsigned long long bytes);

// The body of the report: each line break written as "%0d", thirteen
// "label : value" lines with blank lines after the version, the CPU speed and
// the total virtual memory.
std::string FormatBugReportBody(const SystemInfo& info);

// The complete "mailto:" address with subject and body that opens a prepared
// message to the support address.
std::string BuildBugReportAddress(const SystemInfo& info);

} // namespace quorvel
