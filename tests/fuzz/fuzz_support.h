// Helpers shared by the fuzz targets: a private folder for the files that readers take by path,
// and small readers of the fuzz input for targets that draw a few choices from it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <unistd.h>

namespace vxfuzz {

// A folder of this process under the temporary folder, made on first use and removed at exit.
inline const std::string& work_dir() {
  // Never destroyed, so that the removal at exit still has its name.
  static const std::string* dir = [] {
    auto* d = new std::string((std::filesystem::temp_directory_path() / "vxfuzz-XXXXXX").string());
    if (!::mkdtemp(d->data())) {
      std::perror("vxfuzz: cannot make a temporary folder");
      std::abort();
    }
    std::atexit([] {
      std::error_code ec;
      std::filesystem::remove_all(work_dir(), ec);
    });
    return d;
  }();
  return *dir;
}

// Path of `name` inside the work folder.
inline std::string path_of(const char* name) { return work_dir() + "/" + name; }

// Writes the bytes as the file `name` of the work folder (replacing it) and returns its path.
inline std::string write_file(const char* name, const uint8_t* data, std::size_t size) {
  const std::string p = path_of(name);
  std::FILE* f = std::fopen(p.c_str(), "wb");
  if (!f) {
    std::perror(p.c_str());
    std::abort();
  }
  if (size && std::fwrite(data, 1, size, f) != size) std::abort();
  std::fclose(f);
  return p;
}

// Removes the file `name` of the work folder when it is there.
inline void remove_file(const char* name) { std::remove(path_of(name).c_str()); }

// Takes choices from the front of the input; past its end every value is 0.
class Input {
 public:
  Input(const uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  uint8_t byte() { return pos_ < size_ ? data_[pos_++] : 0; }
  uint32_t u32() {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(byte()) << (8 * i);
    return v;
  }
  const uint8_t* rest() const { return data_ + pos_; }
  std::size_t rest_size() const { return size_ - pos_; }

 private:
  const uint8_t* data_;
  std::size_t size_;
  std::size_t pos_ = 0;
};

}  // namespace vxfuzz
