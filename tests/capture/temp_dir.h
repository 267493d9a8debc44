// A folder of its own for one test, removed afterwards.
#pragma once

#include <unistd.h>

#include <filesystem>
#include <string>

namespace vt::test {

class TempDir {
  public:
    TempDir() {
        static int counter = 0;
        m_path =
            std::filesystem::temp_directory_path() /
            ("vortella-capture-" + std::to_string(::getpid()) + "-" + std::to_string(counter++));
        std::filesystem::create_directories(m_path);
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::remove_all(m_path, ec);
    }
    std::filesystem::path operator/(const std::string& name) const { return m_path / name; }

  private:
    std::filesystem::path m_path;
};

}  // namespace vt::test
