#include "tests/support/data_dirs.h"

#include <cstdlib>
#include <system_error>

namespace korvane::test {

std::filesystem::path TestDataDir() {
  if (const char* env = std::getenv("KORVANE_TEST_DATA"); env && *env) return env;
  return KORVANE_TEST_DATA_DIR;
}

std::filesystem::path SharedDir() {
  if (const char* env = std::getenv("KORVANE_SHARED"); env && *env) return env;
  std::filesystem::path dir = KORVANE_SHARED_DIR;
  std::error_code ec;
  if (dir.empty() || !std::filesystem::exists(dir / "corpus", ec)) return {};
  return dir;
}

}  // namespace korvane::test
