// The vendor's release check: runs the installer's own rules over a folder meant for the
// download server and prints one line per problem; exit status 1 when there is any.
//   check_release DIR [KEY [MIN]]  KEY: the vendor's public key, its 65-byte point in hex;
//                                  MIN: the oldest release the installer takes (1 if not given)
//   check_release --archive DIR  prints the name of the archive the installer downloads
// scripts/check-release runs it under Wine.
#include "app/InstallDirDlg.h"
#include "app/LicenseDlg.h"
#include "archive/ArchiveReader.h"
#include "download/ArchiveDownload.h"
#include "download/ArchiveSignature.h"
#include "download/LowerCase.h"
#include "download/ReleaseDescriptor.h"
#include "framework/Handles.h"
#include "install/EntryPath.h"
#include "install/InstallSteps.h"
#include "install/StartSetupProgram.h"
#include "util/OrdinaryName.h"
#include <unzip.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {
// More than a first line the installer accepts, with its line end.
const size_t kDescriptorReadSize = 1024;

int g_problems = 0;

void Report(const std::string& line)
{
    printf("%s\n", line.c_str());
    ++g_problems;
}

// Names come from the folder and the archive: control characters and the bytes that
// Windows-1252 leaves undefined are shown as \xNN, so every line stays one line of text.
std::string Printable(const std::string& text, bool escapeHigh = false)
{
    std::string shown;
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (u < 0x20 || u == 0x7F || u == 0x81 || u == 0x8D || u == 0x8F || u == 0x90 ||
            u == 0x9D || (escapeHigh && u >= 0x80)) {
            char hex[8];
            snprintf(hex, sizeof(hex), "\\x%02X", u);
            shown += hex;
        } else {
            shown += c;
        }
    }
    return shown;
}

std::vector<std::string> ListFolder(const std::string& dir)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA data;
    CFindHandle find((dir + "*").c_str(), &data);
    if (!find.IsValid())
        return names;
    do {
        if (strcmp(data.cFileName, ".") != 0 && strcmp(data.cFileName, "..") != 0)
            names.push_back(data.cFileName);
    } while (find.FindNext(&data));
    return names;
}

// The first name listed that is `lowerName` in lower case, as the installer picks the
// descriptor and the licence; with `preferExact`, one listed exactly so wins, as for the archive.
const std::string* FindListed(const std::vector<std::string>& listing, const std::string& lowerName,
                              bool preferExact = false)
{
    const std::string* found = nullptr;
    for (const std::string& name : listing) {
        if (LowerCase(name) != lowerName)
            continue;
        if (!found || (preferExact && name == lowerName))
            found = &name;
    }
    return found;
}

bool ReadStart(const std::string& path, size_t limit, std::string& bytes)
{
    CHandle file(::CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid())
        return false;
    bytes.assign(limit, '\0');
    DWORD total = 0;
    for (DWORD read; total < limit; total += read) {
        if (!::ReadFile(file.Get(), &bytes[total], static_cast<DWORD>(limit - total), &read, nullptr))
            return false;
        if (read == 0)
            break;
    }
    bytes.resize(total);
    return true;
}

// The archive's name as the installer takes it from the descriptor's first line; empty after
// a reported problem.
std::string ArchiveNameFromDescriptor(const std::string& dir, const std::vector<std::string>& listing)
{
    const std::string* descriptor = FindListed(listing, kDescriptorName);
    if (!descriptor) {
        Report(std::string(kDescriptorName) + ": missing");
        return "";
    }
    std::string where = Printable(*descriptor) + ": ";
    std::string start;
    if (!ReadStart(dir + *descriptor, kDescriptorReadSize, start)) {
        Report(where + "cannot be read");
        return "";
    }
    std::string line = start.substr(0, start.find('\n'));
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    if (line.size() > kMaxPathLength) {
        Report(where + "the first line is longer than " + std::to_string(kMaxPathLength) +
               " characters");
        return "";
    }
    std::string name = DescriptorFileName(line);
    if (name.empty()) {
        Report(where + "the first line names no archive");
        return "";
    }
    if (!IsDownloadableName(name, kDefaultInstallDir)) {
        Report(where + "the installer does not download \"" + Printable(name) +
               "\" (a plain file name of at most " +
               std::to_string(kMaxPathLength - strlen(kDefaultInstallDir)) +
               " characters, not ending in exe, com, dll, bat, sys or inf)");
        return "";
    }
    return name;
}

// The names as the archive stores them, in directory order: the reader gives no name for an
// entry it refuses, and cuts one that is too long.
std::vector<std::string> StoredNames(const std::string& path)
{
    std::vector<std::string> names;
    unzFile zip = unzOpen64(path.c_str());
    if (!zip)
        return names;
    std::vector<char> name(65536);
    for (int more = unzGoToFirstFile(zip); more == UNZ_OK; more = unzGoToNextFile(zip)) {
        unz_file_info64 info;
        if (unzGetCurrentFileInfo64(zip, &info, name.data(), name.size(), nullptr, 0, nullptr, 0) !=
            UNZ_OK)
            break;
        names.emplace_back(name.data(), std::min<size_t>(info.size_filename, name.size()));
    }
    unzClose(zip);
    return names;
}

// Writing the entry is the only test of its data: to one scratch file, removed again.
bool Unpacks(ArchiveReader* reader, int index, const std::string& scratch)
{
    DWORD result = ExtractArchiveEntry(reader, index, scratch.c_str());
    ::SetFileAttributesA(scratch.c_str(), FILE_ATTRIBUTE_NORMAL);
    ::DeleteFileA(scratch.c_str());
    return result == AR_OK;
}

std::string ScratchFile()
{
    char temp[MAX_PATH];
    DWORD length = ::GetTempPathA(sizeof(temp), temp);
    std::string folder = length > 0 && length < sizeof(temp) ? temp : ".\\";
    return folder + "check_release_" + std::to_string(::GetCurrentProcessId()) + ".tmp";
}

// The path as Windows resolves it: one backslash between parts, in lower case.
std::string ComparablePath(std::string path)
{
    std::replace(path.begin(), path.end(), '/', '\\');
    std::string single;
    for (char c : path)
        if (c != '\\' || single.empty() || single.back() != '\\')
            single += c;
    return LowerCase(single);
}

void CheckEntries(const std::string& archiveName, const std::string& path)
{
    ArchiveReader* reader = OpenArchive(path.c_str());
    if (!reader) {
        Report(archiveName + ": not a zip archive the installer can open");
        return;
    }
    ArchiveEntry entry;
    GetArchiveEntry(reader, -1, &entry);
    int count = entry.index;
    if (count == 0) {
        Report(archiveName + ": holds no entries");
        CloseArchive(reader);
        return;
    }
    const std::string installDir = kDefaultInstallDir;
    const std::string setupTarget = ComparablePath(installDir + kSetupProgram);
    const std::string settingsTarget = ComparablePath(installDir + kSettingsFolder);
    std::vector<std::string> stored = StoredNames(path);
    std::string scratch = ScratchFile();
    bool setupFound = false, settingsFound = false;
    for (int i = 0; i < count; ++i) {
        size_t storedLength = static_cast<size_t>(i) < stored.size() ? stored[i].size() : 0;
        std::string label = static_cast<size_t>(i) < stored.size()
                                ? Printable(stored[i], true)
                                : "entry " + std::to_string(i + 1);
        DWORD got = GetArchiveEntry(reader, i, &entry);
        if (got == AR_CANNOT_OPEN) {
            Report(archiveName + ": " + label +
                   ": the name is not UTF-8 or holds a character that Windows-1252 lacks");
            continue;
        }
        if (got != AR_OK) {
            Report(archiveName + ": " + label + ": damaged entry record");
            continue;
        }
        std::string shown = entry.name;
        if (!entry.nameUtf8)
            ConvertDosUmlauts(shown);
        label = archiveName + ": " + Printable(shown) + ": ";
        bool folder = (entry.attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        std::string target = BuildTargetPath(installDir, entry);
        if (storedLength >= MAX_PATH) {
            Report(label + "the name has " + std::to_string(storedLength) +
                   " characters; the installer reads " + std::to_string(MAX_PATH - 1));
        } else if (target.size() >= MAX_PATH) {
            Report(label + "its path in " + installDir + " has " + std::to_string(target.size()) +
                   " characters, more than " + std::to_string(MAX_PATH - 1));
        } else if (!IsOrdinaryPath(target.c_str())) {
            Report(label + "Windows does not store this name as written "
                           "(a device name, a trailing dot or blank, or a colon)");
        } else if (!folder && !Unpacks(reader, i, scratch)) {
            Report(label + "cannot be unpacked (damaged data, or encrypted)");
        } else {
            std::string where = ComparablePath(target);
            setupFound = setupFound || (!folder && where == setupTarget);
            settingsFound = settingsFound || where.rfind(settingsTarget + "\\", 0) == 0 ||
                            (folder && where == settingsTarget);
        }
    }
    CloseArchive(reader);
    if (!setupFound)
        Report(archiveName + ": no Norla2024.exe in the installation directory "
                             "(below the archive's first folder level)");
    if (!settingsFound)
        Report(archiveName + ": no .norla folder in the installation directory "
                             "(below the archive's first folder level)");
}

void CheckLicense(const std::string& dir, const std::vector<std::string>& listing)
{
    const std::string* listed = FindListed(listing, kLicenseFileName);
    if (!listed) {
        Report(std::string(kLicenseFileName) + ": missing; the user has no licence to accept");
        return;
    }
    std::string where = Printable(*listed) + ": ";
    CHandle file(::CreateFileA((dir + *listed).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.IsValid()) {
        Report(where + "cannot be read");
        return;
    }
    size_t lines = 0, length = 0, firstLong = 0, longLength = 0, longLines = 0;
    bool endsInCr = false;
    auto endLine = [&] {
        ++lines;
        size_t counted = length - (endsInCr ? 1 : 0);   // a CR before the LF is the line end
        if (counted > kMaxLicenseLineLength && longLines++ == 0) {
            firstLong = lines;
            longLength = counted;
        }
        length = 0;
        endsInCr = false;
    };
    std::vector<char> block(65536);
    DWORD read;
    while (::ReadFile(file.Get(), block.data(), static_cast<DWORD>(block.size()), &read, nullptr) &&
           read > 0) {
        for (DWORD i = 0; i < read; ++i) {
            if (block[i] == '\n') {
                endLine();
            } else {
                ++length;
                endsInCr = block[i] == '\r';
            }
        }
    }
    if (length > 0)
        endLine();
    if (lines == 0)
        Report(where + "empty; the user has no licence to accept");
    if (lines > kMaxLicenseLines)
        Report(where + std::to_string(lines) + " lines, more than " +
               std::to_string(kMaxLicenseLines) + " (the installer shows none of it)");
    if (longLines > 0)
        Report(where + "line " + std::to_string(firstLong) + " has " + std::to_string(longLength) +
               " characters, more than " + std::to_string(kMaxLicenseLineLength) +
               (longLines > 1 ? " (and " + std::to_string(longLines - 1) + " more such lines)" : "") +
               " (the installer shows none of it)");
}

// The file's SHA-256; false (and reported) when it cannot be read.
bool HashFile(const std::string& dir, const std::string& name, unsigned char digest[kSha256Size],
              ULONGLONG& size)
{
    CSha256 hash;
    CHandle file(::CreateFileA((dir + name).c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    std::vector<char> block(65536);
    DWORD read;
    size = 0;
    while (file.IsValid() &&
           ::ReadFile(file.Get(), block.data(), static_cast<DWORD>(block.size()), &read, nullptr) &&
           read > 0) {
        hash.Add(block.data(), read);
        size += read;
    }
    if (file.IsValid() && hash.Finish(digest))
        return true;
    Report(Printable(name) + ": cannot be hashed");
    return false;
}

// What the installer built with `key` checks: the descriptor's signature, its lines, its release
// against `minRelease`, then the archive's size and hash and the licence's hash.
void CheckSignedRelease(const std::string& dir, const std::vector<std::string>& listing,
                        const std::string& archiveName, const unsigned char key[kReleaseKeySize],
                        unsigned long minRelease)
{
    const std::string* listed = FindListed(listing, kDescriptorName);
    if (!listed)
        return;   // reported already
    std::string name = *listed + kSignatureSuffix;
    std::string where = Printable(name) + ": ";
    std::string bytes, der;
    if (std::find(listing.begin(), listing.end(), name) == listing.end()) {
        Report(where + "missing");
        return;
    }
    if (!ReadStart(dir + *listed, kMaxDescriptorSize + 1, bytes) ||
        !ReadStart(dir + name, kMaxSignatureSize + 1, der)) {
        Report(where + "cannot be read");
        return;
    }
    if (bytes.size() > kMaxDescriptorSize) {
        Report(Printable(*listed) + ": larger than " + std::to_string(kMaxDescriptorSize) + " bytes");
        return;
    }
    if (der.empty() || der.size() > kMaxSignatureSize) {
        Report(where + (der.empty() ? "empty" : "larger than " + std::to_string(kMaxSignatureSize) +
                                                    " bytes"));
        return;
    }
    ReleaseDescriptor descriptor;
    if (!VerifyReleaseDescriptor(key, 1, bytes, der, descriptor)) {
        if (!ParseReleaseDescriptor(bytes, descriptor))
            Report(Printable(*listed) + ": needs release=, size=, sha256= and license-sha256= "
                                        "after the first line, each once (see sign-release)");
        else
            Report(where + "does not verify with the key (another key, or another descriptor)");
        return;
    }
    if (!IsAcceptedRelease(descriptor, minRelease))
        Report(Printable(*listed) + ": release " + std::to_string(descriptor.release) +
               " is older than the oldest the installer takes (" + std::to_string(minRelease) + ")");
    unsigned char digest[kSha256Size];
    ULONGLONG size = 0;
    if (HashFile(dir, archiveName, digest, size)) {
        if (size != descriptor.size)
            Report(Printable(archiveName) + ": " + std::to_string(size) + " bytes, the descriptor says " +
                   std::to_string(descriptor.size));
        else if (memcmp(digest, descriptor.sha256, kSha256Size) != 0)
            Report(Printable(archiveName) + ": its SHA-256 is not the descriptor's sha256");
    }
    const std::string* license = FindListed(listing, kLicenseFileName);
    if (license && HashFile(dir, *license, digest, size) &&
        memcmp(digest, descriptor.licenseSha256, kSha256Size) != 0)
        Report(Printable(*license) + ": its SHA-256 is not the descriptor's license-sha256");
}

bool ParseKey(const char* hex, unsigned char key[kReleaseKeySize])
{
    if (strlen(hex) != 2 * kReleaseKeySize)
        return false;
    for (size_t i = 0; i < kReleaseKeySize; ++i) {
        unsigned value;
        if (sscanf(hex + 2 * i, "%2x", &value) != 1)
            return false;
        key[i] = static_cast<unsigned char>(value);
    }
    return key[0] == 0x04;
}

std::string FolderPath(std::string dir)
{
    if (!dir.empty() && dir.back() != '\\' && dir.back() != '/')
        dir += '\\';
    return dir;
}

// The archive as the installer finds it in the listing; empty after a reported problem.
std::string FindArchive(const std::string& dir, const std::vector<std::string>& listing)
{
    std::string wanted = ArchiveNameFromDescriptor(dir, listing);
    if (wanted.empty())
        return "";
    const std::string* listed = FindListed(listing, wanted, true);
    if (!listed) {
        Report(Printable(wanted) + ": missing (the archive " + kDescriptorName + " names)");
        return "";
    }
    return *listed;
}
}

int main(int argc, char** argv)
{
    bool nameOnly = argc == 3 && strcmp(argv[1], "--archive") == 0;
    unsigned char key[kReleaseKeySize];
    bool keyGiven = !nameOnly && argc >= 3;
    unsigned long minRelease = 1;
    if (argc == 4) {
        char* end = nullptr;
        minRelease = strtoul(argv[3], &end, 10);
        if (*end)
            minRelease = 0;
    }
    if (argc < 2 || argc > 4 || (keyGiven && !ParseKey(argv[2], key)) || minRelease == 0) {
        fprintf(stderr, "usage: check_release DIR [KEY [MIN_RELEASE]] | check_release --archive DIR\n"
                        "KEY: the 65-byte public point (04, X, Y) in hex\n");
        return 2;
    }
    std::string dir = FolderPath(argv[nameOnly ? 2 : 1]);
    if (::GetFileAttributesA(dir.c_str()) == INVALID_FILE_ATTRIBUTES) {
        Report(Printable(dir) + ": no such folder");
        return 1;
    }
    std::vector<std::string> listing = ListFolder(dir);
    std::string archive = FindArchive(dir, listing);
    if (nameOnly) {
        if (!archive.empty())
            printf("%s\n", archive.c_str());
        return archive.empty() ? 1 : 0;
    }
    if (!archive.empty()) {
        CheckEntries(Printable(archive), dir + archive);
        if (keyGiven)
            CheckSignedRelease(dir, listing, archive, key, minRelease);
    }
    CheckLicense(dir, listing);
    return g_problems > 0 ? 1 : 0;
}
