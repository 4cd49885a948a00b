#include "support/BugReport.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <sys/resource.h>
#include <sys/sysinfo.h>
#include <sys/utsname.h>
#include <unistd.h>

namespace quorvel {

namespace {

std::string Trim(const std::string& s) {
    const char* ws = " \t\r\n";
    size_t b = s.find_first_not_of(ws);
    if (b == std::string::npos)
        return {};
    size_t e = s.find_last_not_of(ws);
    return s.substr(b, e - b + 1);
}

std::string ReadWholeFile(const char* path, bool& ok) {
    std::ifstream in(path, std::ios::binary);
    ok = static_cast<bool>(in);
    if (!ok)
        return {};
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

// Values go into the query part of a mailto address untouched, as the mail
// programs expect, except for the characters that would end the body early or
// start an escape of their own.
std::string EscapeQueryValue(const std::string& value) {
    std::string out;
    for (unsigned char c : value) {
        if (c == '%' || c == '&' || c == '#' || c < 0x20 || c == 0x7f) {
            char buf[4];
            std::snprintf(buf, sizeof buf, "%%%02X", c);
            out += buf;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

} // namespace

std::string ProcessorLevelName(CpuArch arch, int level) {
    switch (arch) {
    case CpuArch::X86:
        switch (level) {
        case 3:
            return "Intel 80386";
        case 4:
            return "Intel 80486";
        case 5:
            return "Pentium";
        case 6:
            return "Pentium (II/Pro)";
        default:
            return {};
        }
    case CpuArch::Mips:
        return level == 4 ? "MIPS R4000" : "Unknown";
    case CpuArch::Alpha:
        return "Alpha" + std::to_string(level);
    case CpuArch::PowerPc:
        switch (level) {
        case 1:
            return "PPC 601";
        case 3:
            return "PPC 603";
        case 4:
            return "PPC 604";
        case 6:
            return "PPC 603+";
        case 9:
            return "PPC 604+";
        case 20:
            return "PPC 620";
        default:
            return {};
        }
    case CpuArch::Other:
        break;
    }
    return {};
}

CpuArch ArchFromMachine(const std::string& machine) {
    auto starts = [&](const char* p) { return machine.rfind(p, 0) == 0; };
    if (machine == "x86_64" || machine == "amd64" ||
        (machine.size() == 4 && machine[0] == 'i' && machine.substr(2) == "86"))
        return CpuArch::X86;
    if (starts("mips"))
        return CpuArch::Mips;
    if (starts("alpha"))
        return CpuArch::Alpha;
    if (starts("ppc") || starts("powerpc"))
        return CpuArch::PowerPc;
    return CpuArch::Other;
}

void ParseCpuInfo(const std::string& text, SystemFacts& facts) {
    std::istringstream in(text);
    std::string line;
    bool haveVendor = false, haveMhz = false, haveFamily = false;
    while (std::getline(in, line)) {
        size_t colon = line.find(':');
        if (colon == std::string::npos)
            continue;
        std::string key = Trim(line.substr(0, colon));
        std::string value = Trim(line.substr(colon + 1));
        // Only the first processor's block counts; later blocks repeat the keys.
        if (key == "vendor_id" && !haveVendor) {
            facts.vendor = value;
            haveVendor = true;
        } else if (key == "cpu MHz" && !haveMhz) {
            facts.mhz = static_cast<int>(std::strtod(value.c_str(), nullptr));
            haveMhz = true;
        } else if (key == "cpu family" && !haveFamily) {
            facts.processorLevel = std::atoi(value.c_str());
            haveFamily = true;
        }
    }
}

bool ParseOsRelease(const std::string& text, SystemFacts& facts) {
    std::istringstream in(text);
    std::string line;
    std::string name, version;
    while (std::getline(in, line)) {
        size_t eq = line.find('=');
        if (eq == std::string::npos || line[0] == '#')
            continue;
        std::string key = Trim(line.substr(0, eq));
        std::string value = Trim(line.substr(eq + 1));
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front())
            value = value.substr(1, value.size() - 2);
        if (key == "NAME")
            name = value;
        else if (key == "VERSION_ID")
            version = value;
    }
    if (name.empty() && version.empty())
        return false;
    facts.osName = name.empty() ? "Linux" : name;
    facts.osVersion = version;
    return true;
}

bool ParseMemAvailable(const std::string& meminfo, unsigned long long& bytes) {
    std::istringstream in(meminfo);
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind("MemAvailable:", 0) != 0)
            continue;
        char* end = nullptr;
        const char* digits = line.c_str() + std::strlen("MemAvailable:");
        const unsigned long long kb = std::strtoull(digits, &end, 10);
        if (end == digits)
            return false;
        bytes = kb * 1024;
        return true;
    }
    return false;
}

unsigned long long TotalVirtualBytes(unsigned long long limit) {
    // RLIM_INFINITY is the largest value, so an unlimited process gets the
    // architecture's figure.
    return limit < kUserAddressSpaceBytes ? limit : kUserAddressSpaceBytes;
}

SystemFacts GatherSystemFacts() {
    SystemFacts facts;
    long count = sysconf(_SC_NPROCESSORS_ONLN);
    facts.processorCount = count > 0 ? static_cast<int>(count) : 1;

    bool ok = false;
    std::string cpuinfo = ReadWholeFile("/proc/cpuinfo", ok);
    if (ok)
        ParseCpuInfo(cpuinfo, facts);

    struct utsname uts {};
    bool haveUname = uname(&uts) == 0;
    if (haveUname)
        facts.arch = ArchFromMachine(uts.machine);

    struct sysinfo si {};
    if (sysinfo(&si) == 0) {
        unsigned long long unit = si.mem_unit ? si.mem_unit : 1;
        facts.totalPhysicalBytes = si.totalram * unit;
        // Free memory alone leaves out the page cache that the kernel gives
        // back on demand; it is the fallback for kernels without MemAvailable.
        facts.availablePhysicalBytes = si.freeram * unit;
    }
    std::string meminfo = ReadWholeFile("/proc/meminfo", ok);
    if (ok)
        ParseMemAvailable(meminfo, facts.availablePhysicalBytes);

    struct rlimit addressSpace {};
    facts.totalVirtualBytes =
        getrlimit(RLIMIT_AS, &addressSpace) == 0 && addressSpace.rlim_cur != RLIM_INFINITY
            ? TotalVirtualBytes(addressSpace.rlim_cur)
            : kUserAddressSpaceBytes;

    std::string statm = ReadWholeFile("/proc/self/statm", ok);
    if (ok) {
        std::istringstream in(statm);
        long long sizePages = 0, residentPages = 0;
        if (in >> sizePages >> residentPages)
            facts.residentKb = residentPages * (sysconf(_SC_PAGESIZE) / 1024);
    }

    std::string osRelease = ReadWholeFile("/etc/os-release", ok);
    if (!ok)
        osRelease = ReadWholeFile("/usr/lib/os-release", ok);
    facts.osKnown = ok && ParseOsRelease(osRelease, facts);
    if (haveUname) {
        if (!facts.osKnown) {
            facts.osName = uts.sysname;
            facts.osKnown = true;
        }
        // Linux has no service packs; the kernel release is what identifies
        // the build a report came from.
        facts.build = uts.release;
    }
    return facts;
}

std::string FormatMemoryKb(unsigned long long bytes) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%7.0f", static_cast<double>(bytes / 1024));
    std::string s = buf;
    s.erase(0, s.find_first_not_of(' '));
    return s + " KB";
}

SystemInfo MakeSystemInfo(const SystemFacts& facts) {
    SystemInfo info;
    info.processorCount = std::to_string(facts.processorCount);
    info.processorLevel = ProcessorLevelName(facts.arch, facts.processorLevel);
    info.processorVendor = facts.vendor;
    if (facts.mhz >= 0)
        info.processorSpeed = std::to_string(facts.mhz) + " MHz";
    info.memoryUsed = std::to_string(facts.residentKb) + " KB";
    info.totalPhysical = FormatMemoryKb(facts.totalPhysicalBytes);
    info.availablePhysical = FormatMemoryKb(facts.availablePhysicalBytes);
    info.totalVirtual = FormatMemoryKb(facts.totalVirtualBytes);
    if (facts.osKnown) {
        info.osName = facts.osName;
        info.osVersion = facts.osVersion;
        info.servicePack = facts.servicePack;
        info.build = facts.build;
    } else {
        info.osName = "Not able to get OS information";
    }
    return info;
}

std::string FormatBugReportBody(const SystemInfo& info) {
    static const char* const kCr = "%0d";
    struct Pair {
        const char* label;
        const std::string& value;
        bool blankAfter;
    };
    const std::string version = kProductVersion;
    const Pair pairs[] = {
        {"Product Version", version, true},
        {"Processors", info.processorCount, false},
        {"Processor Level", info.processorLevel, false},
        {"CPU Manufacturer", info.processorVendor, false},
        {"CPU Speed", info.processorSpeed, true},
        {"Application Memory Used", info.memoryUsed, false},
        {"Total Physical Memory", info.totalPhysical, false},
        {"Physical Memory Available", info.availablePhysical, false},
        {"Total Virtual Memory", info.totalVirtual, true},
        {"Operating System", info.osName, false},
        {"OS Version", info.osVersion, false},
        {"Service Pack", info.servicePack, false},
        {"Build", info.build, false},
    };
    std::string body = std::string(kCr) + kProductName + kCr + kCr;
    for (const Pair& p : pairs) {
        body += p.label;
        body += " : ";
        body += EscapeQueryValue(p.value);
        body += kCr;
        if (p.blankAfter)
            body += kCr;
    }
    return body;
}

std::string BuildBugReportAddress(const SystemInfo& info) {
    std::string address = std::string("mailto:") + kSupportEmailAddress +
                          "?subject=" + kProductName + "&body=" + "%0d%0d%0d%0d" +
                          std::string(35, '-') + "%0d";
    return address + FormatBugReportBody(info);
}

} // namespace quorvel
