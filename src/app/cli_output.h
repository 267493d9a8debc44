// The command-line program's output stream, checked: every result written must arrive, and a
// write that fails (a full disk, a closed pipe) is remembered with the system's reason.
#pragma once

#include <array>
#include <iosfwd>
#include <streambuf>
#include <string>

namespace vt::cli {

// Writes a preset file's text where the user asked: to FILE (the .Nddt extension forced, written
// atomically), then prints the file's name; or, for "-", the text itself to `out`. Returns the
// reason when the file could not be written, else an empty string.
std::string writePresetOutput(const std::string& file, const std::string& text, std::ostream& out);

class CheckedOutput : public std::streambuf {
  public:
    // Takes over `stream` (std::cout) until destroyed; its bytes go to file descriptor `fd`.
    CheckedOutput(std::ostream& stream, int fd);
    ~CheckedOutput() override;
    CheckedOutput(const CheckedOutput&) = delete;
    CheckedOutput& operator=(const CheckedOutput&) = delete;

    // Flushes; on a failure prints "cannot write output: <reason>" to `err` and returns
    // kExitOutput when `exitCode` was kExitOk, else `exitCode`.
    int finish(int exitCode, std::ostream& err);

  protected:
    int_type overflow(int_type ch) override;
    int sync() override;

  private:
    bool drain();

    std::ostream& m_stream;
    std::streambuf* m_previous;
    int m_fd;
    int m_error = 0;  // errno of the first failed write
    std::array<char, 4096> m_buffer{};
};

}  // namespace vt::cli
