// CreateShortcut against the shell's own link object: argument checks, a round trip through
// IPersistFile::Load, and the save's failure. shortcut_lnkinfo.sh reads the links written
// to links\ a second time with lnkinfo, independently of the shell.
#include "Files.h"
#include "ShellLinkFile.h"
#include "install/CreateShortcut.h"
#include <doctest.h>
#include <vector>

namespace {
// Runs the calls on a thread of their own, where COM was never initialised: a check that
// came after CoCreateInstance would answer CO_E_NOTINITIALIZED instead of E_INVALIDARG.
struct Call {
    const char* target;
    const char* arguments;
    const char* linkPath;
    const char* description;
    int showCommand;
    const char* workingDirectory;
    const char* iconFile;
    int iconIndex;
    HRESULT result;
};

DWORD WINAPI CallWithoutCom(LPVOID parameter)
{
    Call& c = *static_cast<Call*>(parameter);
    c.result = CreateShortcut(c.target, c.arguments, c.linkPath, c.description, c.showCommand,
                              c.workingDirectory, c.iconFile, c.iconIndex);
    return 0;
}

HRESULT CallOnFreshThread(Call call)
{
    call.result = static_cast<HRESULT>(0xdeadbeef);
    HANDLE thread = CreateThread(nullptr, 0, CallWithoutCom, &call, 0, nullptr);
    WaitForSingleObject(thread, INFINITE);
    CloseHandle(thread);
    return call.result;
}

std::string LinksFolder()
{
    // ctest runs the test in its build folder; shortcut_lnkinfo.sh reads the links there.
    CreateDirectoryA("links", nullptr);
    return FullPath("links\\");
}

// Every link below starts this program, which is really there.
std::string g_target;

struct ComScope {
    ComScope() { CoInitialize(nullptr); }
    ~ComScope() { CoUninitialize(); }
};
}

TEST_CASE("each rejected argument, in order, gives E_INVALIDARG before any platform call")
{
    ScratchFolder folder;
    std::string link = folder.Path() + "x.lnk";
    std::string tooLong = folder.Path() + std::string(MAX_PATH - folder.Path().size() - 4, 'n') + ".lnk";
    REQUIRE(tooLong.size() == MAX_PATH);
    const Call valid = {"C:\\a.exe", "", link.c_str(), "", 0, "", "", 0, 0};

    struct Row {
        const char* what;
        Call call;
    };
    std::vector<Row> rows;
    auto add = [&](const char* what, auto change) {
        Call c = valid;
        change(c);
        rows.push_back({what, c});
    };
    add("target missing", [](Call& c) { c.target = nullptr; });
    add("target empty", [](Call& c) { c.target = ""; });
    add("arguments missing", [](Call& c) { c.arguments = nullptr; });
    add("link path missing", [](Call& c) { c.linkPath = nullptr; });
    add("link path empty", [](Call& c) { c.linkPath = ""; });
    add("link path of 260 characters", [&](Call& c) { c.linkPath = tooLong.c_str(); });
    add("description missing", [](Call& c) { c.description = nullptr; });
    add("show command negative", [](Call& c) { c.showCommand = -1; });
    add("working directory missing", [](Call& c) { c.workingDirectory = nullptr; });
    add("icon file missing", [](Call& c) { c.iconFile = nullptr; });
    add("icon index negative", [](Call& c) { c.iconIndex = -1; });
    // Every later argument bad as well: the first check decides alone.
    add("all bad", [](Call& c) {
        c = {"", nullptr, "", nullptr, -5, nullptr, nullptr, -5, 0};
    });

    for (size_t i = 0; i < rows.size(); ++i) {
        CAPTURE(i);
        CAPTURE(rows[i].what);
        CHECK(CallOnFreshThread(rows[i].call) == E_INVALIDARG);
        CHECK_FALSE(IsFile(link));
        CHECK_FALSE(IsFile(tooLong));
    }
    // The same valid call does reach the platform, which refuses it without COM.
    CHECK(CallOnFreshThread(valid) == CO_E_NOTINITIALIZED);
    std::string longest = tooLong.substr(0, MAX_PATH - 5) + ".lnk";
    REQUIRE(longest.size() == MAX_PATH - 1);
    Call fits = valid;
    fits.linkPath = longest.c_str();
    CHECK(CallOnFreshThread(fits) == CO_E_NOTINITIALIZED);
}

TEST_CASE("a shortcut reads back with every field that was set")
{
    ComScope com;
    std::string links = LinksFolder();
    g_target = links + "Norla Kesto.exe";
    REQUIRE(CopyFileA(NORLA_FIXTURE_DIR "\\Norla Kesto.exe", g_target.c_str(), FALSE));
    REQUIRE(CopyFileA(NORLA_FIXTURE_DIR "\\kesto.ico", (links + "kesto.ico").c_str(), FALSE));

    std::string full = links + "full.lnk";
    DeleteFileA(full.c_str());
    CHECK(CreateShortcut(g_target.c_str(), "-project \"a b\"", full.c_str(), "Norla Kesto 2.0",
                         SW_SHOWNORMAL, links.c_str(), (links + "kesto.ico").c_str(), 2) == S_OK);
    LoadedLink loaded = LoadLink(full);
    CHECK(loaded.loaded == S_OK);
    CHECK(loaded.path == g_target);
    CHECK(loaded.arguments == "-project \"a b\"");
    CHECK(loaded.description == "Norla Kesto 2.0");
    CHECK(loaded.workingDirectory == links);
    CHECK(loaded.iconFile == links + "kesto.ico");
    CHECK(loaded.iconIndex == 2);
    CHECK(loaded.showCommand == SW_SHOWNORMAL);

    // Empty texts leave their fields unset; the arguments are set all the same.
    std::string bare = links + "bare.lnk";
    DeleteFileA(bare.c_str());
    CHECK(CreateShortcut(g_target.c_str(), "", bare.c_str(), "", 0, "", "", 0) == S_OK);
    loaded = LoadLink(bare);
    CHECK(loaded.loaded == S_OK);
    CHECK(loaded.path == g_target);
    CHECK(loaded.arguments == "");
    CHECK(loaded.description == "");
    CHECK(loaded.workingDirectory == "");
    CHECK(loaded.iconFile == "");
    CHECK(loaded.iconIndex == 0);
    // Show command 0 leaves the default, which is SW_SHOWNORMAL. Wine writes 0 into the
    // file whatever SetShowCmd was given, and reads 0 back as 1 (measured), so this cannot
    // tell the two calls apart under Wine; on Windows the first link would store 1.
    CHECK(loaded.showCommand == SW_SHOWNORMAL);
}

TEST_CASE("a save into a missing folder returns the save's own failure")
{
    ComScope com;
    ScratchFolder folder;
    std::string link = folder.Path() + "missing\\x.lnk";

    // What the shell's save answers for that path, asked directly.
    ShellLinkFile direct;
    REQUIRE(direct.IsOpen());
    direct.Link()->SetPath("C:\\a.exe");
    HRESULT saved = direct.Save(link);
    REQUIRE(FAILED(saved));

    CHECK(CreateShortcut("C:\\a.exe", "", link.c_str(), "d", 1, "C:\\", "C:\\a.ico", 0) == saved);
    CHECK_FALSE(IsFile(link));
    CHECK_FALSE(IsFolder(folder.Path() + "missing"));
}
