// The install log on disk: one CR LF line per call, appended in the temporary directory.
#include "Files.h"
#include "util/InstallLog.h"
#include "util/LogLine.h"
#include <doctest.h>
#include <ctime>
#include <regex>

namespace {
// Points TMP and TEMP of this process at a folder for the test's duration.
class TempDirectory {
public:
    explicit TempDirectory(const std::string& folder)
    {
        m_tmp = Get("TMP");
        m_temp = Get("TEMP");
        ::SetEnvironmentVariableA("TMP", folder.c_str());
        ::SetEnvironmentVariableA("TEMP", folder.c_str());
    }
    ~TempDirectory()
    {
        ::SetEnvironmentVariableA("TMP", m_tmp.c_str());
        ::SetEnvironmentVariableA("TEMP", m_temp.c_str());
    }

private:
    static std::string Get(const char* name)
    {
        char value[MAX_PATH] = "";
        ::GetEnvironmentVariableA(name, value, sizeof(value));
        return value;
    }
    std::string m_tmp, m_temp;
};

const std::regex kLine(
    "(\\d\\d)\\.(January|February|March|April|May|June|July|August|September|October|"
    "November|December)\\.(\\d{4}) (\\d\\d):(\\d\\d):(\\d\\d)  ([^\\r\\n]*)\\r\\n");

std::string Stamp(std::time_t when)
{
    char text[64];
    std::strftime(text, sizeof(text), "%d.%B.%Y %H:%M:%S", std::localtime(&when));
    return text;
}

// The lines of the log, each checked against the exact form and the time of the call.
std::vector<std::string> Messages(const std::string& bytes, std::time_t before, std::time_t after)
{
    std::vector<std::string> messages;
    for (auto it = std::sregex_iterator(bytes.begin(), bytes.end(), kLine); it != std::sregex_iterator(); ++it) {
        std::string stamp = it->str().substr(0, it->position(7) - it->position(0) - 2);
        bool inTime = false;
        for (std::time_t t = before; t <= after; ++t)
            inTime = inTime || stamp == Stamp(t);
        CHECK_MESSAGE(inTime, stamp);
        messages.push_back((*it)[7]);
    }
    return messages;
}
}

TEST_CASE("the first line creates the log, a second writer appends below it")
{
    ScratchFolder folder;
    // Without a trailing backslash, as a user may set it.
    std::string dir = folder.Path().substr(0, folder.Path().size() - 1);
    TempDirectory temp(dir);
    const std::string log = folder.Path() + "norla_inst_log.txt";

    std::time_t before = std::time(nullptr);
    CInstallLog().WriteLine("Verbunden mit FTP");
    std::string first = ReadBytes(log);
    CHECK(Messages(first, before, std::time(nullptr)) == std::vector<std::string>{"Verbunden mit FTP"});
    CHECK(std::regex_match(first, kLine));

    CInstallLog second;
    second.WriteLine("Verbinden mit FTP fehlgeschlagen");
    second.WriteLine("");
    second.WriteLine("Startmenü");
    std::string all = ReadBytes(log);
    CHECK(all.compare(0, first.size(), first) == 0);
    CHECK(Messages(all, before, std::time(nullptr)) ==
          std::vector<std::string>{"Verbunden mit FTP", "Verbinden mit FTP fehlgeschlagen", "", "Startmen\xfc"});
    CHECK(all.substr(all.size() - 4) == "n\xfc\r\n");
    CHECK(all.find("\r\r") == std::string::npos);
    CHECK_FALSE(IsFile(dir + "norla_inst_log.txt"));
}

TEST_CASE("a long message is cut so that the line holds 255 characters")
{
    ScratchFolder folder;
    TempDirectory temp(folder.Path());
    CInstallLog().WriteLine(std::string(400, 'x'));
    std::string bytes = ReadBytes(folder.Path() + "norla_inst_log.txt");
    REQUIRE(bytes.size() == 255 + 2);
    CHECK(bytes.substr(253) == "xx\r\n");
}

TEST_CASE("a log that cannot be opened drops the line silently")
{
    ScratchFolder folder;
    {
        TempDirectory temp(folder.Path() + "missing");
        CHECK_NOTHROW(CInstallLog().WriteLine("Verbunden mit FTP"));
        CHECK_FALSE(IsFolder(folder.Path() + "missing"));
    }
    // The log's name taken by a folder.
    REQUIRE(::CreateDirectoryA((folder.Path() + "norla_inst_log.txt").c_str(), nullptr));
    TempDirectory temp(folder.Path());
    CHECK_NOTHROW(CInstallLog().WriteLine("Verbunden mit FTP"));
    CHECK(IsFolder(folder.Path() + "norla_inst_log.txt"));
}

TEST_CASE("the line and the path are formed alike for every time and directory")
{
    std::tm when = {};
    when.tm_year = 2026 - 1900;
    when.tm_mon = 11;
    when.tm_mday = 9;
    when.tm_hour = 7;
    when.tm_min = 5;
    when.tm_sec = 3;
    CHECK(FormatLogLine(when, "leer") == "09.December.2026 07:05:03  leer");
    CHECK(FormatLogLine(when, "") == "09.December.2026 07:05:03  ");
    CHECK(FormatLogLine(when, std::string(300, 'y')).size() == kLogLineMax);
    CHECK(InstallLogPath("C:\\Temp") == "C:\\Temp\\norla_inst_log.txt");
    CHECK(InstallLogPath("C:\\Temp\\") == "C:\\Temp\\norla_inst_log.txt");
}
