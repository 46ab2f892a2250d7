#pragma once

#include <filesystem>

namespace korvane::test {

// The project's own test mail (tests/data); KORVANE_TEST_DATA overrides it.
std::filesystem::path TestDataDir();

// The shared folder beside the checkout that holds the real-world corpus; KORVANE_SHARED
// overrides it. Empty when there is none, and tests that need it skip.
std::filesystem::path SharedDir();

}  // namespace korvane::test
