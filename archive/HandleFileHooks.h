#pragma once
// minizip's file functions over a file handle that the reader has already opened: the
// handle goes to unzOpen2_64 in place of a file name, and minizip closes it at the end.
#include <ioapi.h>

zlib_filefunc64_def HandleFileHooks();
