#pragma once
// A fresh directory under the system's temp directory, removed with everything in it.

#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

class CTempDir {
 public:
  CTempDir();
  ~CTempDir();
  const std::filesystem::path& Path() const { return m_path; }
  // Writes `bytes` to a file in the directory and returns its path.
  std::filesystem::path WriteFile(const std::string& name, std::string_view bytes) const;

 private:
  std::filesystem::path m_path;
};

// Reads a whole file; empty when it cannot be read.
std::string ReadWholeFile(const std::filesystem::path& path);
