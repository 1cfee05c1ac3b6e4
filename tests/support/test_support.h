// Helpers shared by the test programs: a temporary folder that removes itself, and the
// paths of the source tree, the installation folder and the shared gel images.
#pragma once

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <vector>

namespace vxtest {

inline std::filesystem::path source_dir() { return VX_SOURCE_DIR; }
inline std::filesystem::path shared_data_dir() { return VX_SHARED_DATA_DIR; }
inline std::filesystem::path bin_dir() { return VX_BIN_DIR; }

// A fresh folder under the system's temporary folder, removed with everything in it.
class TempDir {
 public:
  TempDir() {
    std::random_device rd;
    for (int i = 0; i < 100; ++i) {
      auto p = std::filesystem::temp_directory_path() /
               ("vxtest-" + std::to_string(rd()) + "-" + std::to_string(i));
      std::error_code ec;
      if (std::filesystem::create_directory(p, ec)) {
        path_ = p;
        return;
      }
    }
    throw std::runtime_error("cannot create a temporary folder");
  }
  ~TempDir() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(path_, ec);
  }
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;

  const std::filesystem::path& path() const { return path_; }
  std::string str() const { return path_.string(); }
  std::string file(const std::string& name) const { return (path_ / name).string(); }

 private:
  std::filesystem::path path_;
};

inline std::vector<unsigned char> read_bytes(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void write_bytes(const std::filesystem::path& p, const std::vector<unsigned char>& b) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(b.data()), static_cast<std::streamsize>(b.size()));
}

inline std::string read_text(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void write_text(const std::filesystem::path& p, const std::string& s) {
  std::ofstream out(p, std::ios::binary | std::ios::trunc);
  out << s;
}

// Where a test saves a picture of a window for a person to look at: the folder named by the
// environment variable VX_GRAB_DIR when it is set, else the test's own temporary folder (the
// picture then goes with it).
inline std::string grab_path(const TempDir& dir, const std::string& name) {
  const char* keep = std::getenv("VX_GRAB_DIR");
  return keep && *keep ? (std::filesystem::path(keep) / name).string() : dir.file(name);
}

}  // namespace vxtest
