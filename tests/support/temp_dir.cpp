#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <fstream>
#include <random>
#include <sstream>

CTempDir::CTempDir() {
#ifdef _WIN32
  // No mkdtemp here: try random names until create_directory makes a new one.
  std::error_code ec;
  const auto base = std::filesystem::temp_directory_path(ec);
  std::random_device rd;
  for (int attempt = 0; attempt < 100 && !ec; ++attempt) {
    const auto p = base / ("korvane-test-" + std::to_string(rd()));
    if (std::filesystem::create_directory(p, ec)) {
      m_path = p;
      break;
    }
  }
#else
  std::string templ = (std::filesystem::temp_directory_path() / "korvane-test-XXXXXX").string();
  if (char* made = ::mkdtemp(templ.data())) m_path = made;
#endif
}

CTempDir::~CTempDir() {
  std::error_code ec;
  if (!m_path.empty()) std::filesystem::remove_all(m_path, ec);
}

std::filesystem::path CTempDir::WriteFile(const std::string& name, std::string_view bytes) const {
  const auto p = m_path / name;
  std::ofstream out(p, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  return p;
}

std::string ReadWholeFile(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream ss;
  ss << in.rdbuf();
  return ss.str();
}
