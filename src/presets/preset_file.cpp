// Reading preset files from the local file system: regular files only, with a bound on the size.
#include "presets/preset_file.h"

#include <algorithm>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace vt::presets {
namespace {

struct FdCloser {
    int fd;
    ~FdCloser() { ::close(fd); }
};

ReadProblem kindProblem(const struct stat& st, std::size_t limit) {
    if (S_ISDIR(st.st_mode)) return ReadProblem::Folder;
    if (!S_ISREG(st.st_mode)) return ReadProblem::NotAFile;
    if (static_cast<unsigned long long>(st.st_size) > limit) return ReadProblem::TooLarge;
    return ReadProblem::None;
}

}  // namespace

FileText readBoundedFile(const std::string& path, std::size_t limit) {
    FileText out;
    // Looked at before opening, so that no device or FIFO is ever opened, and again after, in
    // case the name changed in between.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) {
        out.problem = ReadProblem::CannotOpen;
        return out;
    }
    if ((out.problem = kindProblem(st, limit)) != ReadProblem::None) return out;
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) {
        out.problem = ReadProblem::CannotOpen;
        return out;
    }
    const FdCloser closer{fd};
    if (::fstat(fd, &st) != 0) {
        out.problem = ReadProblem::CannotOpen;
        return out;
    }
    if ((out.problem = kindProblem(st, limit)) != ReadProblem::None) return out;
    return readBoundedFd(fd, static_cast<std::size_t>(st.st_size), limit);
}

FileText readBoundedFd(int fd, std::size_t sizeHint, std::size_t limit) {
    FileText out;
    // Sized for the file as it stands; it may grow while it is read, so the buffer grows too,
    // but never to more than one byte past the limit.
    const std::size_t cap = limit + 1;
    out.text.resize(std::min(sizeHint + 1, cap));
    std::size_t got = 0;
    while (got < cap) {
        if (got == out.text.size()) out.text.resize(std::min(out.text.size() * 2, cap));
        const ssize_t n = ::read(fd, out.text.data() + got, out.text.size() - got);
        if (n == 0) break;
        if (n < 0) {
            if (errno == EINTR) continue;
            out.problem = ReadProblem::CannotOpen;
            out.text.clear();
            return out;
        }
        got += static_cast<std::size_t>(n);
    }
    if (got > limit) {
        out.problem = ReadProblem::TooLarge;
        out.text.clear();
        return out;
    }
    out.text.resize(got);
    out.text.shrink_to_fit();
    return out;
}

LoadOutcome loadPresetFile(const std::string& path, int language) {
    LoadOutcome out;
    FileText file = readBoundedFile(path);
    if (file.problem == ReadProblem::CannotOpen) {
        out.message = fileNotFoundMessage(language);
        return out;
    }
    if (file.problem == ReadProblem::Folder) {
        out.message = kFolderMessage;
        return out;
    }
    out.opened = true;
    if (file.problem != ReadProblem::None) {
        out.preset.status = LoadStatus::FormatError;
    } else {
        out.preset = decodePreset(file.text);
    }
    out.message = loadMessage(out.preset.status, language);
    return out;
}

LoadOutcome loadPresetText(std::string_view text, int language) {
    LoadOutcome out;
    out.opened = true;
    if (text.size() > kMaxPresetFileBytes)
        out.preset.status = LoadStatus::FormatError;
    else
        out.preset = decodePreset(text);
    out.message = loadMessage(out.preset.status, language);
    return out;
}

}  // namespace vt::presets
