#pragma once
// A temporary folder removed (with its content) at the end of a test.

#include "tests/common/TempFolder.h"

using TestDir = TempFolder;
