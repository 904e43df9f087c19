#pragma once
// Files for tests: a fresh temporary directory removed with everything in it
// at the end of the scope, and whole-file reads and writes.
#include <stdlib.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace tarsel::testing {

class TempDir {
  public:
    explicit TempDir(const std::string& name = "tarsel-test") {
        path_ = (std::filesystem::temp_directory_path() / (name + "-XXXXXX")).string();
        if (!mkdtemp(path_.data())) throw std::runtime_error("mkdtemp " + path_);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(path_, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& path() const { return path_; }
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  private:
    std::string path_;
};

inline std::string readText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Makes the parent folders too; `mode` 0755 makes a script runnable.
inline void writeText(const std::string& path, const std::string& text, int mode = 0644) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream(path, std::ios::binary) << text;
    chmod(path.c_str(), static_cast<mode_t>(mode));
}

}  // namespace tarsel::testing
