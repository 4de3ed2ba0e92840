#pragma once
// The switches a deployment tool or an administrator starts the installer with.
#include <optional>
#include <string>

struct CommandLine {
    enum class Error { None, BadArgument, LicenseNotAccepted };

    bool quiet = false;            // no window at all
    bool passive = false;          // the progress window only, no questions
    bool acceptLicense = false;
    std::optional<std::string> dir;       // a valid installation directory, ends with a backslash
    bool desktopIcon = false;
    bool startMenu = false;
    std::optional<std::string> logFile;   // the install log's lines go here as well
    std::string setupArguments;    // everything after "--", as written
    bool showHelp = false;
    Error error = Error::None;
    std::string badArgument;       // the first unknown or malformed argument, as written

    bool IsUnattended() const { return quiet || passive; }
};

// Reads the command line as GetCommandLineA gives it, the program's name first. Switches
// start with '/' or '-', in any letter case; a value ("/dir=PATH") runs to the next blank
// outside quotes, loses its quotes and keeps every backslash as written. Every switch is
// read even after a bad one, so that /quiet and /log count for the error too.
CommandLine ParseCommandLine(const std::string& text);
