// The secret a remote client of the control service must present: kept in the user's config folder
// (vortella/token), made on first use from the system's random source, compared in constant time.
#pragma once

#include <string>
#include <string_view>

namespace vt::service {

// 32 random bytes written as 64 lowercase hexadecimal characters.
inline constexpr std::size_t kTokenLength = 64;

struct TokenFile {
    std::string token;  // empty when `error` says why there is none
    std::string error;  // "token file /home/ann/.config/vortella/token is readable by others ..."
    bool created = false;
};

// $XDG_CONFIG_HOME/vortella/token when that is an absolute path, else ~/.config/vortella/token;
// empty when neither XDG_CONFIG_HOME nor a home folder is known.
std::string defaultTokenPath();

// Reads the token at `path`. When there is no file, makes the missing folders (0700) and the file
// (0600 from the moment it exists, never a partly written one) with a new token. A file that is
// not a regular file of this user's, that others may read or write, or whose content is not a
// token is refused with the reason, never replaced: the user decides what happens to it.
TokenFile readOrCreateToken(const std::string& path);

// Reads the token at `path` as readOrCreateToken does, but never makes one: a missing file is an
// error. The service follows the file with it, so that a token removed or changed is revoked.
TokenFile readToken(const std::string& path);

// Whether `given` equals `expected`, taking the same time whichever character differs.
bool sameToken(std::string_view expected, std::string_view given);

}  // namespace vt::service
