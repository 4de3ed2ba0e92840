// The plain functions behind the entry record and the target path.
#include "archive/EntryFields.h"
#include "archive/TargetPath.h"
#include <doctest.h>
