// The disk object on real folders, with a record of the captions it gives.
#include "Files.h"
#include "archive/DiskObject.h"
#include <doctest.h>
#include <functional>

namespace {
const std::string kParameterError = "CDiskObject internal error - check call parameters";

// Notes every caption the disk object gives its feedback.
struct CaptionRecord : CCaptionFeedback {
    std::vector<std::string> captions;
    void ShowCaption(const std::string& text) override { captions.push_back(text); }
};

// Runs `body` with a fresh caption record. The current directory must be the same after
// the body as before.
void WithFeedback(const std::function<void(CaptionRecord&)>& body)
{
    CaptionRecord record;
    char before[MAX_PATH] = "", after[MAX_PATH] = "garbage";
    GetCurrentDirectoryA(sizeof(before), before);
    body(record);
    GetCurrentDirectoryA(sizeof(after), after);
    CHECK(std::string(after) == before);
}

std::string WithoutBackslash(const std::string& folder)
{
    return folder.substr(0, folder.size() - 1);
}

// The caption the feedback shows last.
std::string Caption(const CaptionRecord& record)
{
    return record.captions.empty() ? "garbage" : record.captions.back();
}

std::vector<std::string> Tail(const std::vector<std::string>& all, size_t count)
{
    return std::vector<std::string>(all.end() - static_cast<std::ptrdiff_t>(std::min(count, all.size())), all.end());
}
}

TEST_CASE("BuildFolderTree creates every missing folder and shows each on the way")
{
    ScratchFolder scratch;
    std::string base = WithoutBackslash(scratch.Path());
    WithFeedback([&](CaptionRecord& record) {
        std::string slashed = base + "/A/B";
        std::replace(slashed.begin(), slashed.end(), '\\', '/');
        CDiskObject disk(&record);
        CHECK(disk.BuildFolderTree(slashed));
        CHECK(disk.GetErrorText().empty());
        CHECK(IsFolder(base + "\\A\\B"));
        CHECK(Tail(record.captions, 2) == std::vector<std::string>{base + "\\A", base + "\\A\\B"});
        // Every parent on the way, from the drive down.
        CHECK(record.captions.size() == static_cast<size_t>(std::count(base.begin(), base.end(), '\\')) + 2);
        CHECK(Caption(record) == base + "\\A\\B");

        record.captions.clear();
        CHECK(disk.BuildFolderTree(slashed));
        CHECK(Tail(record.captions, 2) == std::vector<std::string>{base + "\\A", base + "\\A\\B"});

        record.captions.clear();
        CHECK(disk.BuildFolderTree("C:\\"));
        CHECK(record.captions.empty());
    });
}

TEST_CASE("BuildFolderTree refuses an empty path, wildcards and an overlong path")
{
    ScratchFolder scratch;
    WithFeedback([&](CaptionRecord& record) {
        const std::string rows[] = {
            "",
            scratch.Path() + "A*B\\",
            scratch.Path() + "A?B\\C",
            scratch.Path() + "A:B\\",
            scratch.Path() + std::string(260 - scratch.Path().size(), 'L'),
            scratch.Path() + std::string(300, 'L') + "\\",
        };
        for (const std::string& folder : rows) {
            CAPTURE(folder);
            record.captions.clear();
            CDiskObject disk(&record);
            CHECK_FALSE(disk.BuildFolderTree(folder));
            CHECK(disk.GetErrorText() == kParameterError);
            CHECK(Caption(record) == kParameterError);
        }
    });
    CHECK(Tree(scratch.Path()).empty());   // nothing was created
}

TEST_CASE("BuildFolderTree resolves parent steps against the current directory")
{
    ScratchFolder scratch;
    const std::string w = scratch.Path() + "W";
    CreateDirectoryA(w.c_str(), nullptr);
    CreateDirectoryA((w + "\\V").c_str(), nullptr);
    CurrentDirectory current(w + "\\V");
    REQUIRE(current.Entered());
    WithFeedback([&](CaptionRecord& record) {
        CDiskObject disk(&record);
        CHECK(disk.BuildFolderTree("..\\X\\"));
        CHECK(IsFolder(w + "\\X"));
        CHECK(Caption(record) == w + "\\X");

        // A ".." piece is passed through: U\D is made on the way, then U\S.
        std::string u = scratch.Path() + "U";
        CHECK(disk.BuildFolderTree(u + "\\D\\..\\S\\"));
        CHECK(IsFolder(u + "\\D"));
        CHECK(IsFolder(u + "\\S"));
        CHECK(Tail(record.captions, 3) == std::vector<std::string>{u + "\\D", u + "\\D\\..", u + "\\D\\..\\S"});

        std::string path = "sub/dir";
        CHECK(disk.NormalizeFolderPath(path));
        CHECK(path == w + "\\V\\sub\\dir\\");
        path = "";
        CHECK(disk.NormalizeFolderPath(path));
        CHECK(path == w + "\\V\\");
        path = "\\Rooted";
        CHECK(disk.NormalizeFolderPath(path));
        CHECK(path == w.substr(0, 2) + "\\Rooted\\");
        path = "\\\\server\\share";
        CHECK(disk.NormalizeFolderPath(path));
        CHECK(path == "\\\\server\\share\\");
    });
}

TEST_CASE("CopyFolder copies the files in character-code order and leaves subfolders out")
{
    ScratchFolder scratch;
    const std::string source = scratch.Path() + "src\\";
    const std::string target = scratch.Path() + "out\\.norla\\";
    CreateDirectoryA(source.c_str(), nullptr);
    CreateDirectoryA((source + "s").c_str(), nullptr);
    WriteBytes(source + "f1", "one");
    WriteBytes(source + "F2", "two");
    WriteBytes(source + "s\\inner", "x");
    WithFeedback([&](CaptionRecord& record) {
        CDiskObject disk(&record);
        CHECK(disk.CopyFolder(source, target));
        CHECK(disk.GetErrorText().empty());
        CHECK(ReadBytes(target + "f1") == "one");
        CHECK(ReadBytes(target + "F2") == "two");
        CHECK_FALSE(IsFolder(target + "s"));
        CHECK(record.captions.front() == target);
        CHECK(Tail(record.captions, 2) == std::vector<std::string>{"F2", "f1"});
        CHECK(Caption(record) == "f1");

        std::vector<std::string> names{"G0"};
        CHECK(disk.ListFiles(source, names));
        CHECK(names == std::vector<std::string>{"F2", "G0", "f1"});
    });
}

TEST_CASE("CopyFolder of a missing source creates the target and succeeds")
{
    ScratchFolder scratch;
    WithFeedback([&](CaptionRecord& record) {
        CDiskObject disk(&record);
        CHECK(disk.CopyFolder(scratch.Path() + "missing\\", scratch.Path() + "T"));
        CHECK(disk.GetErrorText().empty());
        CHECK(IsFolder(scratch.Path() + "T"));
        CHECK_FALSE(IsFolder(scratch.Path() + "missing"));
        CHECK_FALSE(disk.FolderExists(scratch.Path() + "missing"));
        CHECK(disk.FolderExists(scratch.Path() + "T"));
    });
}

// Makes one target file impossible to replace. Windows refuses to overwrite a read-only
// file; Wine keeps that attribute as Unix permissions, which do not stop root (as in our
// CI containers), so there a target held open without sharing stands in for it.
class LockedTarget {
public:
    explicit LockedTarget(const std::string& path)
    {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_READONLY);
        HANDLE probe = ::CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        if (probe == INVALID_HANDLE_VALUE) {
            expectedCode = ERROR_ACCESS_DENIED;
            return;
        }
        ::CloseHandle(probe);
        m_lock = ::CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
        expectedCode = ERROR_SHARING_VIOLATION;
    }
    ~LockedTarget()
    {
        if (m_lock != INVALID_HANDLE_VALUE)
            ::CloseHandle(m_lock);
    }
    LockedTarget(const LockedTarget&) = delete;
    LockedTarget& operator=(const LockedTarget&) = delete;

    DWORD expectedCode = 0;

private:
    HANDLE m_lock = INVALID_HANDLE_VALUE;
};

TEST_CASE("CopyFolder stops at a target file it cannot replace, with the system's text and both paths")
{
    ScratchFolder scratch;
    const std::string source = scratch.Path() + "src\\";
    const std::string target = scratch.Path() + "dst\\";
    CreateDirectoryA(source.c_str(), nullptr);
    CreateDirectoryA(target.c_str(), nullptr);
    WriteBytes(source + "A0", "new a");
    WriteBytes(source + "F2", "new");
    WriteBytes(source + "f1", "one");
    WriteBytes(target + "F2", "old");
    {
        LockedTarget locked(target + "F2");
        WithFeedback([&](CaptionRecord& record) {
            CDiskObject disk(&record);
            CHECK_FALSE(disk.CopyFolder(source, target));
            const std::string detail = " " + source + "F2 -> " + target + "F2";
            const std::string& error = disk.GetErrorText();
            REQUIRE(error.size() > detail.size());
            CHECK(error.substr(error.size() - detail.size()) == detail);
            CHECK(error.substr(0, error.size() - detail.size()) == SystemErrorText(locked.expectedCode));
            CHECK(Caption(record) == error);
        });
    }
    CHECK(ReadBytes(target + "A0") == "new a");   // copied before the failure, kept
    CHECK(ReadBytes(target + "F2") == "old");
    CHECK_FALSE(IsFile(target + "f1"));           // sorted after the failure, not tried
}

TEST_CASE("the error text is the system's sentence, trimmed, or the bare code")
{
    std::string known = SystemErrorText(ERROR_FILE_NOT_FOUND);
    CHECK_FALSE(known.empty());
    CHECK(known.find_first_of("\r\n") == std::string::npos);
    CHECK(known.back() != ' ');
    CHECK(SystemErrorText(0x2badbeef) == "Error 732806895");
}
