#include "util/FreeSpace.h"

FreeSpace CheckFreeSpace(const std::string& folder, ULONGLONG needed)
{
    FreeSpace space;
    space.needed = needed;
    std::string path = folder;
    while (!path.empty()) {
        ULARGE_INTEGER available;
        if (::GetDiskFreeSpaceExA(path.c_str(), &available, nullptr, nullptr)) {
            space.available = available.QuadPart;
            space.measured = true;
            break;
        }
        size_t end = path.find_last_not_of("\\/");
        size_t cut = end == std::string::npos ? end : path.find_last_of("\\/", end);
        if (cut == std::string::npos)
            break;
        path.erase(cut + 1);
    }
    return space;
}
