// Free space on a real small volume: a 4 MiB tmpfs that the test run mounts.
#include "Files.h"
#include "util/FreeSpace.h"
#include <doctest.h>

TEST_CASE("free space is the volume's, asked of the nearest folder that exists")
{
    const ULONGLONG MiB = 1048576;
    std::string volume = NORLA_SMALL_VOLUME;
    for (char& c : volume)
        if (c == '/')
            c = '\\';
    REQUIRE(IsFolder(volume));
    FreeSpace before = CheckFreeSpace(volume + "Norla\\not\\made\\yet\\", 3 * MiB);
    CHECK(before.measured);
    CHECK(before.needed == 3 * MiB);
    CHECK((before.available > 3 * MiB && before.available <= 4 * MiB));
    CHECK(before.Fits());
    CHECK_FALSE(CheckFreeSpace(volume + "Norla", 5 * MiB).Fits());

    // A megabyte written there is a megabyte less.
    REQUIRE(WriteBytes(volume + "filler", std::string(MiB, 'f')));
    FreeSpace after = CheckFreeSpace(volume, 3 * MiB + 1);
    RemoveTree(volume + "filler");
    CHECK(after.available <= before.available - MiB);
    CHECK_FALSE(after.Fits());

    // A volume that cannot be asked refuses nothing.
    FreeSpace unknown = CheckFreeSpace("Q:\\Norla\\", ~0ULL);
    CHECK_FALSE(unknown.measured);
    CHECK(unknown.Fits());
}
