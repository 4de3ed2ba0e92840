// The installer's switches, read from whole command lines as Windows hands them over.
#include "app/CommandLine.h"
#include <doctest.h>

namespace {
// What was read, in one line: the switches set, then the error.
std::string Described(const CommandLine& line)
{
    std::string text;
    const std::pair<bool, const char*> flags[] = {{line.quiet, "quiet"}, {line.passive, "passive"},
        {line.acceptLicense, "accept"}, {line.desktopIcon, "desktop"}, {line.startMenu, "menu"},
        {line.showHelp, "help"}};
    for (const auto& flag : flags)
        text += flag.first ? std::string(flag.second) + " " : "";
    text += line.dir ? "dir=" + *line.dir + " " : "";
    text += line.logFile ? "log=" + *line.logFile + " " : "";
    text += "--[" + line.setupArguments + "]";
    text += line.error == CommandLine::Error::BadArgument ? " bad:" + line.badArgument : "";
    return text + (line.error == CommandLine::Error::LicenseNotAccepted ? " licence" : "");
}
}

TEST_CASE("command lines and what the installer reads from them")
{
    const struct {
        const char* text;
        const char* read;
    } rows[] = {
        {"\"C:\\Neuer Ordner\\NorlaInstaller.exe\"", "--[]"},
        {"\"C:\\a b\\x.exe\" /quiet /accept-license /dir=C:\\Fleet\\", "quiet accept dir=C:\\Fleet\\ --[]"},
        {"x.exe\t-PASSIVE  /Accept-License /Desktop-Icon -start-menu", "passive accept desktop menu --[]"},
        // Quotes go, backslashes stay: the one before the closing quote too.
        {"x.exe /dir=\"C:\\Program Files\\Norla\\\" /log=\"C:\\t\\a b.log\"",
         "dir=C:\\Program Files\\Norla\\ log=C:\\t\\a b.log --[]"},
        {"x.exe /dir=C:\\\"Program Files\"\\Norla", "dir=C:\\Program Files\\Norla\\ --[]"},
        {"x.exe /quiet /accept-license --  /S /D=\"C:\\x y\\\" \"a  b\"\t", "quiet accept --[/S /D=\"C:\\x y\\\" \"a  b\"\t]"},
        {"x.exe /? /quiet", "quiet help --[]"},
        {"x.exe /quiet", "quiet --[] licence"},
        {"x.exe /passive /log=a.txt -- /S", "passive log=a.txt --[/S] licence"},
        {"x.exe /bogus /quiet /log=b.txt /dir=C:\\x\\", "quiet dir=C:\\x\\ log=b.txt --[] bad:/bogus"},
        {"x.exe /quiet=1 /accept-license", "quiet accept --[] bad:/quiet=1"},
        {"x.exe /dir=Produkt", "--[] bad:/dir=Produkt"},
        {"x.exe /dir= /log", "--[] bad:/dir="},
        {"x.exe /dir=C:\\a\\ /dir=C:\\b\\", "dir=C:\\a\\ --[] bad:/dir=C:\\b\\"},
        {"x.exe /dir=\"C:\\a b /quiet", "--[] bad:/dir=\"C:\\a b /quiet"},
        {"x.exe quiet / - --quiet", "--[] bad:quiet"},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CAPTURE(i);
        CHECK(Described(ParseCommandLine(rows[i].text)) == rows[i].read);
    }
}
