// Writing the command-line program's results and noticing when they do not arrive.
#include "app/cli_output.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <ostream>

#include "app/cli_commands.h"
#include "presets/preset_file.h"

namespace vt::cli {

std::string writePresetOutput(const std::string& file, const std::string& text, std::ostream& out) {
    if (file == "-") {
        out << text << std::flush;
        return {};
    }
    const std::string target = presets::forcePresetExtension(file);
    if (std::string failure = presets::writeFileAtomically(target, text); !failure.empty())
        return failure;
    out << target << "\n" << std::flush;
    return {};
}

CheckedOutput::CheckedOutput(std::ostream& stream, int fd)
    : m_stream(stream), m_previous(stream.rdbuf(this)), m_fd(fd) {
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}

CheckedOutput::~CheckedOutput() {
    drain();
    m_stream.rdbuf(m_previous);
}

bool CheckedOutput::drain() {
    const char* at = pbase();
    while (at < pptr() && m_error == 0) {
        const ssize_t n = ::write(m_fd, at, static_cast<std::size_t>(pptr() - at));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            m_error = n < 0 ? errno : EIO;
            break;
        }
        at += n;
    }
    // Bytes that could not be written are dropped: the failure is reported once, at the end.
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    return m_error == 0;
}

CheckedOutput::int_type CheckedOutput::overflow(int_type ch) {
    if (!drain()) return traits_type::eof();
    if (!traits_type::eq_int_type(ch, traits_type::eof())) {
        *pptr() = traits_type::to_char_type(ch);
        pbump(1);
    }
    return traits_type::not_eof(ch);
}

int CheckedOutput::sync() {
    return drain() ? 0 : -1;
}

int CheckedOutput::finish(int exitCode, std::ostream& err) {
    drain();
    if (m_error == 0 && !m_stream.bad()) return exitCode;
    err << "cannot write output: " << std::strerror(m_error != 0 ? m_error : EIO) << "\n"
        << std::flush;
    return exitCode == kExitOk ? kExitOutput : exitCode;
}

}  // namespace vt::cli
