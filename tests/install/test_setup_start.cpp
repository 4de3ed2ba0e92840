// Starting the setup program, and the retry through Elevate.dll when Windows asks for
// elevation. Wine starts a program that asks for elevation without ever reporting
// ERROR_ELEVATION_REQUIRED, so for that case the test makes the first start fail with 740
// through the start's function pointer; the library, its export and the second start are
// the real ones.
#include "FixtureRecord.h"
#include "InstallRun.h"
#include "Files.h"
#include <doctest.h>

namespace {
const DWORD kErrorElevationRequired = 740;
#ifdef _WIN64
const char* const kRecordSize = "104";
#else
const char* const kRecordSize = "68";
#endif

}

TEST_CASE("error 740: Elevate.dll's export is called once with a second start record, then freed")
{
    CleanSlate clean;
    ScratchFolder folder;
    SequenceRun run("product.zip", folder.Path());
    run.failStartWith = kErrorElevationRequired;
    run.setupArguments = "/S \"Ziel=C:\\A B\"";
    SequenceOutcome out = RunSequence(run);
    INFO(out.windows);
    CHECK(out.result == IDOK);
    CHECK(out.exitCode == 0);

    std::string program = folder.Path() + "Norla2024.exe";
    REQUIRE(out.starts.size() == 1);
    CHECK(out.starts[0].application == program);
    CHECK(out.starts[0].recordFlags == 0);
    CHECK(FixtureRecords(folder.Path() + "Elevate.dll") ==
          std::vector<std::string>{
              "attach",
              "call\tapplication=" + program + "\tcommandline=\"" + program + "\" /S \"Ziel=C:\\A B\"\tflags=0x200\tsize=" + kRecordSize +
                  "\tstartflags=0x100",
              "detach",
          });
    CHECK(GetModuleHandleA((folder.Path() + "Elevate.dll").c_str()) == nullptr);
    // The library started the program with what it was handed.
    CHECK(OnlyStartRecord(program).find("path=" + program + "\tcommandline=\"" + program + "\" /S \"Ziel=C:\\A B\"\t") == 0);
}

TEST_CASE("any other start failure loads no library")
{
    CleanSlate clean;
    ScratchFolder folder;
    struct Row {
        const char* archive;
        DWORD failWith;   // 0: the real start, which finds no setup program
    } rows[] = {
        {"nosetup.zip", 0},   // error 2, from Windows itself
        {"product.zip", ERROR_ACCESS_DENIED},
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CAPTURE(i);
        SequenceRun run(rows[i].archive, folder.Path());
        run.failStartWith = rows[i].failWith;
        SequenceOutcome out = RunSequence(run);
        INFO(out.windows);
        CHECK(out.result == IDOK);
        CHECK(out.exitCode == 1603);   // installed, but not started
        REQUIRE(IsFile(folder.Path() + "Elevate.dll"));
        CHECK(out.starts.size() == 1);
        CHECK(FixtureRecords(folder.Path() + "Elevate.dll").empty());
        CHECK_FALSE(IsFile(FixtureLogPath(folder.Path() + "Norla2024.exe")));
        folder.Empty();
    }
}

TEST_CASE("error 740 without Elevate.dll, or without its export: nothing more happens")
{
    CleanSlate clean;
    ScratchFolder folder;
    struct Row {
        const char* replacement;   // what lies at Elevate.dll's place
    } rows[] = {
        {nullptr},
        {"Norla Kesto.exe"},   // a module, but without the export
    };
    for (size_t i = 0; i < sizeof(rows) / sizeof(rows[0]); ++i) {
        CAPTURE(i);
        SequenceRun run("three.zip", folder.Path());
        if (rows[i].replacement)
            REQUIRE(CopyFileA((std::string(NORLA_FIXTURE_DIR "\\") + rows[i].replacement).c_str(),
                              (folder.Path() + "Elevate.dll").c_str(), FALSE));
        run.failStartWith = kErrorElevationRequired;
        SequenceOutcome out = RunSequence(run);
        INFO(out.windows);
        CHECK(out.result == IDOK);
        CHECK(out.starts.size() == 1);
        CHECK(GetModuleHandleA((folder.Path() + "Elevate.dll").c_str()) == nullptr);
        folder.Empty();
    }
}
