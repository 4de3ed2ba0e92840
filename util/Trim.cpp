#include "util/Trim.h"

std::string Trim(const std::string& text, const char* blanks)
{
    size_t first = text.find_first_not_of(blanks);
    if (first == std::string::npos)
        return std::string();
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}
