// Helpers of the tools tests: the stored clean option. Folders, boxes and
// the modal driver come from the shared test support.
#pragma once

#include <string>

#include "tests/win/win_test_support.h"

// The CleanOption value: store a text, or delete it with nullptr. The
// settings key is created first, as the settings dialog would have.
void StoreCleanOption(const char* text);
// The stored text, or "<none>".
std::string StoredCleanOption();
