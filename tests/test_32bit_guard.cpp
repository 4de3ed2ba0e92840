// The suite exists to test the program that ships, a 32-bit one. A 64-bit test build
// would pass with other structure sizes and another calling convention, so it fails here.
#include <doctest.h>
#include <windows.h>

TEST_CASE("the tests run the 32-bit build")
{
    CHECK(sizeof(void*) == 4);
    // The setup program's start record as the shipped program passes it.
    CHECK(sizeof(STARTUPINFOA) == 68);
}
