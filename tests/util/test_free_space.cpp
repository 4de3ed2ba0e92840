// Free space on a real small volume: a 4 MiB tmpfs that the test run mounts.
#include "Files.h"
#include "util/FreeSpace.h"
#include <doctest.h>

TEST_CASE("free space is the volume's, asked of the nearest folder that exists")
{
    const ULONGLONG MiB = 1048576;
    const std::string volume = NORLA_SMALL_VOLUME;
    FreeSpace before = CheckFreeSpace(volume + "Norla\\not\\made\\", 3 * MiB);
    CHECK((before.measured && before.needed == 3 * MiB && before.Fits()));
    CHECK((before.available > 3 * MiB && before.available <= 4 * MiB));
    CHECK_FALSE(CheckFreeSpace(volume + "Norla", 5 * MiB).Fits());
    // A megabyte written there is a megabyte less.
    REQUIRE(WriteBytes(volume + "filler", std::string(MiB, 'f')));
    FreeSpace after = CheckFreeSpace(volume, 3 * MiB + 1);
    DeleteFileA((volume + "filler").c_str());
    CHECK((after.available <= before.available - MiB && !after.Fits()));
    // A volume that cannot be asked refuses nothing.
    FreeSpace unknown = CheckFreeSpace("Q:\\Norla\\", ~0ULL);
    CHECK((!unknown.measured && unknown.Fits()));
}
