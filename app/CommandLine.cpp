#include "app/CommandLine.h"
#include "app/InstallDirPath.h"
#include "download/LowerCase.h"
#include <algorithm>

namespace {
const char* const kBlanks = " \t";

const struct {
    const char* name;
    bool CommandLine::*flag;
} kFlags[] = {
    {"quiet", &CommandLine::quiet},
    {"passive", &CommandLine::passive},
    {"accept-license", &CommandLine::acceptLicense},
    {"desktop-icon", &CommandLine::desktopIcon},
    {"start-menu", &CommandLine::startMenu},
    {"?", &CommandLine::showHelp},
};

struct Argument {
    std::string written;   // as on the command line
    std::string value;     // without its quotes
    bool closed;           // every quote has its partner
};

// As Windows finds the program's name: up to the closing quote, or else to the first blank.
size_t SkipProgramName(const std::string& text)
{
    if (!text.empty() && text[0] == '"') {
        size_t end = text.find('"', 1);
        return end == std::string::npos ? text.size() : end + 1;
    }
    return std::min(text.find_first_of(kBlanks), text.size());
}

// The argument starting at `at`, which ends at the next blank outside quotes; `at` moves
// behind it. A backslash is a character like any other, even before a quote.
Argument NextArgument(const std::string& text, size_t& at)
{
    Argument argument{"", "", true};
    size_t begin = at;
    for (; at < text.size() && (!argument.closed || (text[at] != ' ' && text[at] != '\t')); ++at) {
        if (text[at] == '"')
            argument.closed = !argument.closed;
        else
            argument.value += text[at];
    }
    argument.written = text.substr(begin, at - begin);
    return argument;
}

// Takes one switch into `result`; false when it is unknown or malformed.
bool TakeSwitch(const std::string& argument, CommandLine& result)
{
    if (argument.size() < 2 || (argument[0] != '/' && argument[0] != '-'))
        return false;
    size_t equals = argument.find('=');
    std::string name = LowerCase(argument.substr(1, equals == std::string::npos ? equals : equals - 1));
    for (const auto& flag : kFlags) {
        if (name == flag.name) {
            // Even "/quiet=ja" keeps the error quiet: a message box would stall a deployment.
            result.*flag.flag = true;
            return equals == std::string::npos;
        }
    }
    if (equals == std::string::npos || equals + 1 == argument.size())
        return false;
    std::string value = argument.substr(equals + 1);
    if (name == "dir" && !result.dir) {
        if (value.back() != '\\')
            value += '\\';
        if (!IsValidInstallDir(value))
            return false;
        result.dir = value;
        return true;
    }
    if (name == "log" && !result.logFile) {
        result.logFile = value;
        return true;
    }
    // Unknown, or given twice: which of two directories was meant is anybody's guess.
    return false;
}
}

CommandLine ParseCommandLine(const std::string& text)
{
    CommandLine result;
    size_t at = SkipProgramName(text);
    while ((at = text.find_first_not_of(kBlanks, at)) != std::string::npos) {
        Argument argument = NextArgument(text, at);
        if (argument.written == "--") {
            at = text.find_first_not_of(kBlanks, at);
            if (at != std::string::npos)
                result.setupArguments = text.substr(at);
            break;
        }
        if ((!argument.closed || !TakeSwitch(argument.value, result)) &&
            result.error == CommandLine::Error::None) {
            result.error = CommandLine::Error::BadArgument;
            result.badArgument = argument.written;
        }
    }
    if (result.error == CommandLine::Error::None && result.IsUnattended() && !result.acceptLicense &&
        !result.showHelp)
        result.error = CommandLine::Error::LicenseNotAccepted;
    return result;
}
