#pragma once
#include <string>

// `text` without the leading and trailing characters that occur in `blanks`.
std::string Trim(const std::string& text, const char* blanks);
