// Reading the lines of /proc/locks: split into words, the file named by its one word with two
// colons, the holder's pid just before it. Anything else on a line is not relied on.
#include "devices/proc_locks.h"

#include <charconv>
#include <vector>

namespace vt::devices {
namespace {

std::vector<std::string_view> wordsOf(std::string_view line) {
    std::vector<std::string_view> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t')) ++i;
        const std::size_t start = i;
        while (i < line.size() && line[i] != ' ' && line[i] != '\t') ++i;
        if (i > start) words.push_back(line.substr(start, i - start));
    }
    return words;
}

// The whole of `text` as a number in `base`; nullopt when any of it is not.
template <typename T>
std::optional<T> numberOf(std::string_view text, int base = 10) {
    T value{};
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value, base);
    if (text.empty() || error != std::errc() || at != end) return std::nullopt;
    return value;
}

std::optional<LockedFile> fileOf(std::string_view word) {
    const std::size_t first = word.find(':');
    if (first == word.npos) return std::nullopt;
    const std::size_t second = word.find(':', first + 1);
    if (second == word.npos || word.find(':', second + 1) != word.npos) return std::nullopt;
    const auto major = numberOf<unsigned>(word.substr(0, first), 16);
    const auto minor = numberOf<unsigned>(word.substr(first + 1, second - first - 1), 16);
    const auto inode = numberOf<std::uint64_t>(word.substr(second + 1));
    if (!major || !minor || !inode) return std::nullopt;
    return LockedFile{*major, *minor, *inode};
}

}  // namespace

std::optional<LockLine> parseLockLine(std::string_view line) {
    const std::vector<std::string_view> words = wordsOf(line);
    // "ID:", perhaps "->", the kind, ..., the pid, the file.
    if (words.size() < 4 || words[0].size() < 2 || words[0].back() != ':' ||
        !numberOf<long long>(words[0].substr(0, words[0].size() - 1)))
        return std::nullopt;
    LockLine out;
    std::size_t kind = 1;
    if (words[kind] == "->") {
        out.waiting = true;
        ++kind;
    }
    out.flock = words[kind] == "FLOCK";
    for (std::size_t i = kind + 2; i < words.size(); ++i) {
        const auto file = fileOf(words[i]);
        if (!file) continue;
        const auto pid = numberOf<long>(words[i - 1]);
        if (!pid) return std::nullopt;
        out.pid = *pid;
        out.file = *file;
        return out;
    }
    return std::nullopt;
}

std::optional<long> flockHolder(std::string_view procLocks, const LockedFile& file) {
    while (!procLocks.empty()) {
        const std::size_t end = procLocks.find('\n');
        const auto line = parseLockLine(procLocks.substr(0, end));
        procLocks = end == procLocks.npos ? std::string_view() : procLocks.substr(end + 1);
        if (line && line->flock && !line->waiting && line->file == file && line->pid > 0)
            return line->pid;
    }
    return std::nullopt;
}

}  // namespace vt::devices
