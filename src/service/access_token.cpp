// The remote clients' token file: read, or made once with a new token, and compared.
#include "service/access_token.h"

#include <fcntl.h>
#include <sys/random.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <filesystem>

#include "service/private_file.h"

namespace vt::service {
namespace {

namespace fs = std::filesystem;

constexpr std::size_t kRandomBytes = kTokenLength / 2;
// More than a token and its line end: the rest of a longer file is not read.
constexpr std::size_t kReadLimit = 256;

TokenFile failure(std::string why) {
    TokenFile result;
    result.error = std::move(why);
    return result;
}

std::string systemFailure(const std::string& what, const std::string& path, int error) {
    return what + " " + path + ": " + std::strerror(error);
}

bool isToken(std::string_view text) {
    if (text.size() != kTokenLength) return false;
    for (const char c : text)
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f'))) return false;
    return true;
}

// The token in the file at `path`, after checking who may reach the file; `missing` tells that
// there is no file there (nor a dangling link).
TokenFile openTokenFile(const std::string& path, bool& missing) {
    PrivateFileRead read = readPrivateFile(path, "token file", kReadLimit);
    missing = read.problem == PrivateFileProblem::Missing;
    switch (read.problem) {
        case PrivateFileProblem::None:
            break;
        case PrivateFileProblem::Link:
        case PrivateFileProblem::OtherOwner:
            return failure(read.error + "; remove it to make a new token");
        case PrivateFileProblem::OpenToOthers:
            return failure(read.error + ", or remove it to make a new token");
        default:
            return failure(read.error);
    }
    std::string& text = read.text;
    // A token written by hand with an editor or echo ends with a line end.
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (text.empty())
        return failure("token file " + path + " is empty; remove it to make a new token");
    if (read.cut || !isToken(text))
        return failure("token file " + path + " does not hold a token (" +
                       std::to_string(kTokenLength) +
                       " lowercase hexadecimal characters); remove it to make a new token");
    TokenFile result;
    result.token = std::move(text);
    return result;
}

// Makes the folders of `folder` that are missing, private to the user.
bool makeFolders(const fs::path& folder, int& error) {
    fs::path at;
    for (const fs::path& part : folder) {
        at /= part;
        if (::mkdir(at.c_str(), 0700) == 0 || errno == EEXIST) continue;
        error = errno;
        return false;
    }
    return true;
}

bool newToken(std::string& token, int& error) {
    std::array<unsigned char, kRandomBytes> bytes{};
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n = ::getrandom(bytes.data() + got, bytes.size() - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            error = errno;
            return false;
        }
        got += static_cast<std::size_t>(n);
    }
    static constexpr char kDigits[] = "0123456789abcdef";
    token.clear();
    for (const unsigned char b : bytes) {
        token.push_back(kDigits[b >> 4]);
        token.push_back(kDigits[b & 0x0F]);
    }
    return true;
}

void syncFolder(const fs::path& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    (void)::fsync(fd);
    ::close(fd);
}

// Writes a new token to a private temporary file beside `path` and links it into place, so that
// the token file appears whole or not at all, and a program making it at the same moment finds
// this one instead of replacing it.
TokenFile createTokenFile(const std::string& path) {
    const fs::path target(path);
    const fs::path folder = target.parent_path().empty() ? fs::path(".") : target.parent_path();
    int error = 0;
    if (!makeFolders(folder, error))
        return failure(systemFailure("cannot create", folder.string(), error));

    std::string token;
    if (!newToken(token, error))
        return failure("cannot make a token: no random numbers from the system: " +
                       std::string(std::strerror(error)));

    std::string temp = (folder / ("." + target.filename().string() + ".XXXXXX")).string();
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC);  // 0600 from the start
    if (fd < 0) return failure(systemFailure("cannot create", path, errno));
    bool ok = ::fchmod(fd, 0600) == 0;  // the umask may have taken the owner's bits away
    if (ok) {
        const ssize_t n = ::write(fd, token.data(), token.size());
        ok = n == static_cast<ssize_t>(token.size());
        if (n >= 0 && !ok) errno = ENOSPC;
    }
    ok = ok && ::fsync(fd) == 0;
    error = errno;
    if (::close(fd) != 0 && ok) {
        ok = false;
        error = errno;
    }
    const bool linked = ok && ::link(temp.c_str(), path.c_str()) == 0;
    if (ok && !linked) error = errno;
    ::unlink(temp.c_str());
    bool missing = false;
    if (ok && !linked && error == EEXIST) return openTokenFile(path, missing);  // made meanwhile
    if (!linked) return failure(systemFailure("cannot create", path, error));
    syncFolder(folder);
    TokenFile result;
    result.token = std::move(token);
    result.created = true;
    return result;
}

}  // namespace

std::string defaultTokenPath() {
    const char* config = std::getenv("XDG_CONFIG_HOME");
    if (config != nullptr && config[0] == '/') return std::string(config) + "/vortella/token";
    const char* home = std::getenv("HOME");
    if (home != nullptr && home[0] != '\0') return std::string(home) + "/.config/vortella/token";
    return {};
}

TokenFile readOrCreateToken(const std::string& path) {
    if (path.empty())
        return failure("no folder for the token file: neither XDG_CONFIG_HOME nor HOME is set");
    bool missing = false;
    TokenFile found = openTokenFile(path, missing);
    return missing ? createTokenFile(path) : found;
}

TokenFile readToken(const std::string& path) {
    bool missing = false;
    TokenFile found = openTokenFile(path, missing);
    if (missing) found.error = "token file " + path + " is gone";
    return found;
}

bool sameToken(std::string_view expected, std::string_view given) {
    // Every character of the expected token is looked at whatever the given one holds; only the
    // lengths, which are no secret, are compared plainly.
    unsigned difference = expected.size() == given.size() ? 0u : 1u;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        const char g = i < given.size() ? given[i] : '\0';
        difference |= static_cast<unsigned char>(expected[i] ^ g);
    }
    return difference == 0 && !expected.empty();
}

}  // namespace vt::service
