#pragma once
// Where an archive entry goes in the installation directory: plain functions.
#include <string>

struct ArchiveEntry;

// Drops everything before the first forward slash; the slash itself stays at the front.
// Backslashes are not separators here. "Setup/bin/a.dll" -> "/bin/a.dll".
std::string DropFirstLevel(const std::string& name);

// Replaces the DOS code page bytes of äöüÄÖÜß by their Windows-1252 values, in place.
void ConvertDosUmlauts(std::string& text);

// The installation directory followed by the entry's name without its first level.
// Only the entry's part goes through the DOS table, and only when the name was not
// stored as UTF-8: the chosen directory is already in the Windows code page.
std::string BuildTargetPath(const std::string& installDir, const ArchiveEntry& entry);
