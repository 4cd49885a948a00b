#include "support/BugReport.h"
#include "support/LinkMessages.h"

#include <gtest/gtest.h>

#include <sys/resource.h>

using namespace quorvel;

namespace {

SystemFacts TwoPentiumFacts() {
    SystemFacts f;
    f.arch = CpuArch::X86;
    f.processorLevel = 6;
    f.processorCount = 2;
    f.vendor = "GenuineIntel";
    f.mhz = 2394;
    f.residentKb = 18432;
    f.totalPhysicalBytes = 512ull * 1024 * 1024;
    f.availablePhysicalBytes = 1536ull * 1024 + 1023; // the odd bytes are dropped
    f.totalVirtualBytes = 2048ull * 1024 * 1024;
    f.osKnown = true;
    f.osName = "Debian GNU/Linux";
    f.osVersion = "12";
    f.build = "6.1.0-13-amd64";
    return f;
}

} // namespace

TEST(BugReportTest, AddressForScriptedFacts) {
    const std::string expected =
        "mailto:support@brellwick.example?subject=Quorvel Desktop Edition&body="
        "%0d%0d%0d%0d-----------------------------------%0d"
        "%0dQuorvel Desktop Edition%0d%0d"
        "Product Version : 1.15%0d%0d"
        "Processors : 2%0d"
        "Processor Level : Pentium (II/Pro)%0d"
        "CPU Manufacturer : GenuineIntel%0d"
        "CPU Speed : 2394 MHz%0d%0d"
        "Application Memory Used : 18432 KB%0d"
        "Total Physical Memory : 524288 KB%0d"
        "Physical Memory Available : 1536 KB%0d"
        "Total Virtual Memory : 2097152 KB%0d%0d"
        "Operating System : Debian GNU/Linux%0d"
        "OS Version : 12%0d"
        "Service Pack : %0d"
        "Build : 6.1.0-13-amd64%0d";
    EXPECT_EQ(BuildBugReportAddress(MakeSystemInfo(TwoPentiumFacts())), expected);
}

TEST(BugReportTest, MissingFactsLeaveValuesEmpty) {
    SystemFacts f = TwoPentiumFacts();
    f.processorLevel = 15; // a modern x86 family has no name in the table
    f.mhz = -1;
    f.vendor.clear();
    f.osKnown = false;
    const std::string body = FormatBugReportBody(MakeSystemInfo(f));
    EXPECT_NE(body.find("%0dProcessor Level : %0dCPU Manufacturer : %0dCPU Speed : %0d%0d"),
              std::string::npos)
        << body;
    EXPECT_NE(body.find("Operating System : Not able to get OS information%0dOS Version : "
                        "%0dService Pack : %0dBuild : %0d"),
              std::string::npos)
        << body;
}

TEST(BugReportTest, ValuesCannotBreakTheAddress) {
    // A value with '&', '#' or '%' would end the body or start an escape.
    SystemFacts f = TwoPentiumFacts();
    f.vendor = "A&B#C%0d";
    f.osName = "Line\nBreak";
    const std::string address = BuildBugReportAddress(MakeSystemInfo(f));
    EXPECT_NE(address.find("CPU Manufacturer : A%26B%23C%250d%0d"), std::string::npos);
    EXPECT_NE(address.find("Operating System : Line%0ABreak%0d"), std::string::npos);
    EXPECT_EQ(address.find('#'), std::string::npos);
    EXPECT_EQ(address.find('&'), address.rfind("&body="));
}

TEST(BugReportTest, ProcessorLevelNames) {
    struct {
        CpuArch arch;
        int level;
        const char* name;
    } cases[] = {
        {CpuArch::X86, 3, "Intel 80386"},
        {CpuArch::X86, 4, "Intel 80486"},
        {CpuArch::X86, 5, "Pentium"},
        {CpuArch::X86, 6, "Pentium (II/Pro)"},
        {CpuArch::X86, 15, ""},
        {CpuArch::X86, 0, ""},
        {CpuArch::Mips, 4, "MIPS R4000"},
        {CpuArch::Mips, 3, "Unknown"},
        {CpuArch::Alpha, 21064, "Alpha21064"},
        {CpuArch::PowerPc, 1, "PPC 601"},
        {CpuArch::PowerPc, 3, "PPC 603"},
        {CpuArch::PowerPc, 4, "PPC 604"},
        {CpuArch::PowerPc, 6, "PPC 603+"},
        {CpuArch::PowerPc, 9, "PPC 604+"},
        {CpuArch::PowerPc, 20, "PPC 620"},
        {CpuArch::PowerPc, 2, ""},
        {CpuArch::Other, 6, ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ProcessorLevelName(c.arch, c.level), c.name)
            << static_cast<int>(c.arch) << "/" << c.level;
    EXPECT_EQ(ArchFromMachine("x86_64"), CpuArch::X86);
    EXPECT_EQ(ArchFromMachine("i686"), CpuArch::X86);
    EXPECT_EQ(ArchFromMachine("ppc64le"), CpuArch::PowerPc);
    EXPECT_EQ(ArchFromMachine("aarch64"), CpuArch::Other);
}

TEST(BugReportTest, MemoryFigures) {
    EXPECT_EQ(FormatMemoryKb(512ull * 1024 * 1024), "524288 KB");
    EXPECT_EQ(FormatMemoryKb(0), "0 KB");
    EXPECT_EQ(FormatMemoryKb(1023), "0 KB");
    EXPECT_EQ(FormatMemoryKb(64ull * 1024 * 1024 * 1024), "67108864 KB");
}

TEST(BugReportTest, AvailableAndVirtualMemorySources) {
    const std::string meminfo = "MemTotal:       24576000 kB\nMemFree:          512000 kB\n"
                                "MemAvailable:   20480000 kB\nBuffers:          1024 kB\n";
    struct {
        const char* what;
        std::string text;
        bool found;
        unsigned long long bytes;
    } meminfoCases[] = {
        {"MemAvailable, not MemFree", meminfo, true, 20480000ull * 1024},
        {"no MemAvailable line (old kernel)", "MemTotal: 1 kB\nMemFree: 2 kB\n", false, 7},
        {"no number", "MemAvailable: kB\n", false, 7},
        {"empty", "", false, 7},
    };
    for (const auto& c : meminfoCases) {
        unsigned long long bytes = 7;
        EXPECT_EQ(ParseMemAvailable(c.text, bytes), c.found) << c.what;
        EXPECT_EQ(bytes, c.bytes) << c.what;
    }

    struct {
        unsigned long long limit;
        unsigned long long expected;
    } limitCases[] = {
        {2ull << 30, 2ull << 30},
        {kUserAddressSpaceBytes - 1, kUserAddressSpaceBytes - 1},
        {kUserAddressSpaceBytes + 1, kUserAddressSpaceBytes},
        {~0ull, kUserAddressSpaceBytes},
    };
    for (const auto& c : limitCases)
        EXPECT_EQ(TotalVirtualBytes(c.limit), c.expected) << c.limit;
}

TEST(BugReportTest, ParsesCpuInfoAndOsRelease) {
    SystemFacts f;
    ParseCpuInfo("processor\t: 0\nvendor_id\t: AuthenticAMD\ncpu family\t: 25\n"
                 "cpu MHz\t\t: 3593.250\n\nprocessor\t: 1\nvendor_id\t: Other\n"
                 "cpu family\t: 6\ncpu MHz\t\t: 100.0\n",
                 f);
    EXPECT_EQ(f.vendor, "AuthenticAMD");
    EXPECT_EQ(f.processorLevel, 25);
    EXPECT_EQ(f.mhz, 3593);

    SystemFacts os;
    EXPECT_TRUE(ParseOsRelease("PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"
                               "NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n",
                               os));
    EXPECT_EQ(os.osName, "Debian GNU/Linux");
    EXPECT_EQ(os.osVersion, "12");
    SystemFacts none;
    EXPECT_FALSE(ParseOsRelease("# nothing here\n", none));
}

TEST(BugReportTest, FactsOfThisMachineFillTheReport) {
    const SystemFacts facts = GatherSystemFacts();
    EXPECT_GE(facts.processorCount, 1);
    EXPECT_GT(facts.totalPhysicalBytes, 0u);
    EXPECT_GT(facts.residentKb, 0);
    EXPECT_TRUE(facts.osKnown);
    EXPECT_GT(facts.availablePhysicalBytes, 0u);
    EXPECT_LE(facts.availablePhysicalBytes, facts.totalPhysicalBytes);
    // Total virtual memory follows the process's address space limit.
    rlimit saved{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &saved), 0);
    const rlim_t limit = kUserAddressSpaceBytes / 2;
    if (saved.rlim_max == RLIM_INFINITY || saved.rlim_max >= limit) {
        rlimit lowered = saved;
        lowered.rlim_cur = limit;
        ASSERT_EQ(setrlimit(RLIMIT_AS, &lowered), 0);
        const unsigned long long reported = GatherSystemFacts().totalVirtualBytes;
        ASSERT_EQ(setrlimit(RLIMIT_AS, &saved), 0);
        EXPECT_EQ(reported, limit);
    }
    if (saved.rlim_cur == RLIM_INFINITY) {
        EXPECT_EQ(facts.totalVirtualBytes, kUserAddressSpaceBytes);
    }
    const std::string body = FormatBugReportBody(MakeSystemInfo(facts));
    for (const char* label :
         {"Product Version : 1.15", "Processors : ", "Processor Level : ", "CPU Manufacturer : ",
          "CPU Speed : ", "Application Memory Used : ", "Total Physical Memory : ",
          "Physical Memory Available : ", "Total Virtual Memory : ", "Operating System : ",
          "OS Version : ", "Service Pack : ", "Build : "})
        EXPECT_NE(body.find(label), std::string::npos) << label;
}

TEST(LinkMessagesTest, FailureTexts) {
    struct {
        int code;
        const char* text;
    } cases[] = {
        {26, "A sharing violation occurred. "},
        {4, "Unknown Error (4) occurred."},
        {0, "The operating system is out\nof memory or resources."},
        {31, "There is no application associated\nwith the given filename extension."},
        {32, "The specified dynamic-link library was not found."},
        {33, "Unknown Error (33) occurred."},
        {-1, "Unknown Error (-1) occurred."},
    };
    for (const auto& c : cases)
        EXPECT_EQ(OpenFailureText(c.code), c.text) << c.code;
    EXPECT_EQ(OpenFailureMessage(26),
              "Unable to open hyperlink:\n\nA sharing violation occurred. ");
}
