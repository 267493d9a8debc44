// The token file: made once, private from its first moment and whatever the umask, read back the
// same; a file that others may reach, or that holds no token, refused and left as it was.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QTemporaryDir>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "service/access_token.h"

namespace vt::service {
namespace {

namespace fs = std::filesystem;

constexpr const char* kGoodToken =
    "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";

mode_t modeOf(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

std::string contentOf(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

void writeFile(const fs::path& path, const std::string& text, mode_t mode) {
    std::ofstream(path, std::ios::binary) << text;
    ASSERT_EQ(::chmod(path.c_str(), mode), 0);
}

bool isToken(const std::string& text) {
    return text.size() == kTokenLength &&
           text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

class TokenFileTest : public ::testing::Test {
  protected:
    QTemporaryDir m_dir;
    fs::path m_path = fs::path(m_dir.path().toStdString()) / "config" / "vortella" / "token";
};

TEST_F(TokenFileTest, IsMadePrivateWithANewTokenWhateverTheUmaskAndReadBackTheSame) {
    std::vector<std::string> tokens;
    for (const mode_t umask : {mode_t{0}, mode_t{022}, mode_t{0277}}) {
        SCOPED_TRACE(umask);
        fs::remove_all(m_path.parent_path().parent_path());
        const mode_t old = ::umask(umask);
        const TokenFile made = readOrCreateToken(m_path.string());
        ::umask(old);
        ASSERT_EQ(made.error, "");
        EXPECT_TRUE(made.created);
        EXPECT_TRUE(isToken(made.token)) << made.token;
        EXPECT_EQ(contentOf(m_path), made.token);
        EXPECT_EQ(modeOf(m_path), 0600u);
        EXPECT_EQ(modeOf(m_path.parent_path()) & 077, 0u);  // the folders made are the user's
        // Nothing but the token is left in its folder (no temporary file).
        EXPECT_EQ(std::distance(fs::directory_iterator(m_path.parent_path()), {}), 1);

        const TokenFile again = readOrCreateToken(m_path.string());
        EXPECT_EQ(again.error, "");
        EXPECT_FALSE(again.created);
        EXPECT_EQ(again.token, made.token);
        tokens.push_back(made.token);
    }
    EXPECT_NE(tokens[0], tokens[1]);
    EXPECT_NE(tokens[1], tokens[2]);
}

TEST_F(TokenFileTest, AFileOthersMayReachOrWithoutATokenIsRefusedAndKept) {
    struct Case {
        const char* what;
        std::string content;
        mode_t mode;
        const char* error;  // a part of the message; nullptr: accepted as kGoodToken
    };
    const Case cases[] = {
        {"readable by all", kGoodToken, 0644, "may be read or changed by others (mode 0644)"},
        {"writable by the group", kGoodToken, 0620, "(mode 0620)"},
        {"empty", "", 0600, "is empty"},
        {"garbled", "not a token\n", 0600, "does not hold a token"},
        {"upper case", "0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF0123456789ABCDEF", 0600,
         "does not hold a token"},
        {"one character short", std::string(kGoodToken).substr(1), 0600, "does not hold a token"},
        {"two tokens", std::string(kGoodToken) + "\n" + kGoodToken, 0600, "does not hold a token"},
        {"written with a line end", std::string(kGoodToken) + "\n", 0600, nullptr},
        {"read-only for the user", kGoodToken, 0400, nullptr},
    };
    fs::create_directories(m_path.parent_path());
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        writeFile(m_path, c.content, c.mode);
        const TokenFile read = readOrCreateToken(m_path.string());
        EXPECT_FALSE(read.created);
        if (c.error == nullptr) {
            EXPECT_EQ(read.error, "");
            EXPECT_EQ(read.token, kGoodToken);
        } else {
            EXPECT_EQ(read.token, "");
            EXPECT_NE(read.error.find(m_path.string()), std::string::npos) << read.error;
            EXPECT_NE(read.error.find(c.error), std::string::npos) << read.error;
        }
        EXPECT_EQ(contentOf(m_path), c.content);
        EXPECT_EQ(modeOf(m_path), c.mode);
        fs::remove(m_path);
    }
}

TEST_F(TokenFileTest, ALinkOrAFolderInTheTokensPlaceIsRefused) {
    fs::create_directories(m_path.parent_path());
    const fs::path elsewhere = m_path.parent_path() / "elsewhere";
    writeFile(elsewhere, kGoodToken, 0600);
    fs::create_symlink(elsewhere, m_path);
    EXPECT_NE(readOrCreateToken(m_path.string()).error.find("is a symbolic link"),
              std::string::npos);
    fs::remove(m_path);
    fs::create_symlink(m_path.parent_path() / "nowhere", m_path);  // dangling: not replaced
    EXPECT_NE(readOrCreateToken(m_path.string()).error.find("is a symbolic link"),
              std::string::npos);
    EXPECT_TRUE(fs::is_symlink(m_path));
    fs::remove(m_path);
    fs::create_directory(m_path);
    EXPECT_NE(readOrCreateToken(m_path.string()).error.find("is not a regular file"),
              std::string::npos);
}

TEST_F(TokenFileTest, AFileOfAnotherUserIsRefused) {
    if (::geteuid() != 0) GTEST_SKIP() << "giving a file to another user needs root";
    fs::create_directories(m_path.parent_path());
    writeFile(m_path, kGoodToken, 0600);
    ASSERT_EQ(::chown(m_path.c_str(), 65534, 65534), 0);
    EXPECT_NE(readOrCreateToken(m_path.string()).error.find("belongs to another user (uid 65534)"),
              std::string::npos);
}

TEST_F(TokenFileTest, AFolderThatCannotBeMadeGivesTheSystemsReason) {
    writeFile(fs::path(m_dir.path().toStdString()) / "config", "a file, not a folder", 0600);
    const TokenFile made = readOrCreateToken(m_path.string());
    EXPECT_EQ(made.token, "");
    EXPECT_NE(made.error.find("Not a directory"), std::string::npos) << made.error;
}

// Sets an environment variable for one scope (unset when `value` is nullopt).
class ScopedEnv {
  public:
    ScopedEnv(const char* name, std::optional<std::string> value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        if (value)
            ::setenv(name, value->c_str(), 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv() {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

  private:
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(TokenPath, IsInTheUsersConfigFolder) {
    struct Case {
        std::optional<std::string> xdg, home;
        std::string path;
    };
    const Case cases[] = {
        {"/xdg", "/home/ann", "/xdg/vortella/token"},
        {std::nullopt, "/home/ann", "/home/ann/.config/vortella/token"},
        {"", "/home/ann", "/home/ann/.config/vortella/token"},
        {"relative/dir", "/home/ann", "/home/ann/.config/vortella/token"},  // not absolute
        {std::nullopt, std::nullopt, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        const ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        const ScopedEnv home("HOME", c.home);
        EXPECT_EQ(defaultTokenPath(), c.path);
    }
    const ScopedEnv home("HOME", std::nullopt);
    const ScopedEnv xdg("XDG_CONFIG_HOME", std::nullopt);
    EXPECT_NE(readOrCreateToken(defaultTokenPath()).error, "");
}

TEST(SameToken, IsTrueOnlyForTheWholeSameToken) {
    const std::string token = kGoodToken;
    EXPECT_TRUE(sameToken(token, token));
    EXPECT_FALSE(sameToken(token, token.substr(0, 63) + "0"));  // the last character
    EXPECT_FALSE(sameToken(token, "1" + token.substr(1)));      // the first
    EXPECT_FALSE(sameToken(token, token.substr(0, 63)));        // a prefix
    EXPECT_FALSE(sameToken(token, token + "0"));                // longer
    EXPECT_FALSE(sameToken(token, ""));
    EXPECT_FALSE(sameToken("", ""));  // no token set lets nobody in
}

}  // namespace
}  // namespace vt::service
