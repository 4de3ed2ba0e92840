#pragma once
// The one walk over the server's start directory that the licence page and the download use.
#include "framework/Internet.h"
#include <functional>

// Lists the connection's current directory afresh and hands every file entry (folders are
// skipped) to `visit` until it returns false. False when the listing cannot be started.
// Throws CInternetException.
bool WalkListing(CFtpConnection& connection, const std::function<bool(const CFtpFileFind&)>& visit);
