// What a client may name: a client on the network names files only inside the preset folder, by a
// plain name, or passes their content; no answer quotes a file it could not name; a path with a
// control character is refused for every client.
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

#include "presets/preset_codec.h"
#include "presets/preset_file.h"
#include "service_fixture.h"

namespace vt::service {
namespace {

namespace fs = std::filesystem;
using fixture::Client;
using fixture::ControlServiceTest;
using fixture::kTestToken;
using fixture::RemoteClient;
using fixture::request;

class ClientTrustTest : public ControlServiceTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        qputenv("XDG_DATA_HOME", home.filePath("data").toUtf8());
        presets = home.filePath("data/vortella/presets").toStdString();
        secret = home.filePath("secret.txt").toStdString();
        std::ofstream(secret) << "SECRET-LINE-ONE\nSECRET-LINE-TWO\n";
        ControlServiceTest::SetUp();
    }
    void TearDown() override { qunsetenv("XDG_DATA_HOME"); }

    std::string fileText(const std::string& file) {
        std::ifstream in(file);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    QTemporaryDir home;
    std::string presets;
    std::string secret;
};

TEST_F(ClientTrustTest, ANetworkClientNamesNoFileOutsideThePresetFolder) {
    const quint16 port = listenRemote();
    ASSERT_NE(port, 0);
    RemoteClient c(port, kTestToken);
    ASSERT_TRUE(c.connected);
    fs::create_directories(presets);
    fs::create_symlink(secret, presets + "/leak.Nddt");
    fs::create_symlink(secret, presets + "/leak.txt");
    const std::string planted = home.filePath("planted.txt").toStdString();
    const struct {
        std::string method;
        Json params;
        std::string rule;  // part of the refusal
    } cases[] = {
        {"eq.fit", {{"path", secret}}, "without \"/\""},
        {"eq.apply", {{"path", "/etc/passwd"}}, "without \"/\""},
        {"eq.fit", {{"path", "../../../secret.txt"}}, "without \"/\""},
        {"eq.fit", {{"path", ".."}}, "names no file"},
        {"eq.fit", {{"path", "leak.txt"}}, "leads out of the preset folder"},
        {"load", {{"path", "/proc/self/environ"}}, "without \"/\""},
        {"load", {{"path", "leak.Nddt"}}, "leads out of the preset folder"},
        {"save", {{"path", planted}}, "without \"/\""},
        {"save", {{"path", "leak"}}, "leads out of the preset folder"},
        {"save", {{"path", std::string("x\0", 2)}}, "control character"},
        {"save", {{"path", "x\n"}}, "control character"},
    };
    int id = 0;
    for (const auto& k : cases) {
        c.send(request(++id, k.method, k.params));
        const auto a = c.answer();
        ASSERT_TRUE(a) << k.method << " " << k.params.dump();
        ASSERT_TRUE(a->contains("error")) << a->dump();
        EXPECT_EQ((*a)["error"]["code"], kBadInput) << a->dump();
        const std::string message = (*a)["error"]["message"];
        EXPECT_NE(message.find(k.rule), std::string::npos) << message;
        EXPECT_EQ(message.find("SECRET"), std::string::npos) << message;
        EXPECT_EQ(message.find("root:"), std::string::npos) << message;
    }
    EXPECT_FALSE(fs::exists(planted + ".Nddt"));
    EXPECT_FALSE(fs::exists(presets + "/x.Nddt"));
    EXPECT_EQ(fileText(secret), "SECRET-LINE-ONE\nSECRET-LINE-TWO\n");
}

TEST_F(ClientTrustTest, ANetworkClientSavesAndLoadsInThePresetFolderOrByContent) {
    const quint16 port = listenRemote();
    ASSERT_NE(port, 0);
    RemoteClient c(port, kTestToken);
    ASSERT_TRUE(c.connected);

    c.send(request(1, "save", {{"path", "evening"}}));
    auto a = c.answer(10000);
    ASSERT_TRUE(a && a->contains("result")) << (a ? a->dump() : "none");
    EXPECT_EQ((*a)["result"]["path"], "evening.Nddt");  // no folder of the user's named
    const std::string saved = presets + "/evening.Nddt";
    ASSERT_TRUE(fs::exists(saved));
    struct stat folder {};
    ASSERT_EQ(::stat(presets.c_str(), &folder), 0);
    EXPECT_EQ(folder.st_mode & 0777, 0700u);

    c.send(request(2, "load", {{"path", "evening.Nddt"}}));
    a = c.answer(20000);
    ASSERT_TRUE(a && a->contains("result")) << (a ? a->dump() : "none");

    // The content itself: what a browser has.
    c.send(request(3, "save"));
    a = c.answer(10000);
    ASSERT_TRUE(a && a->contains("result"));
    const std::string text = (*a)["result"]["text"];
    EXPECT_EQ(text, fileText(saved));
    c.send(request(4, "load", {{"content", text}}));
    a = c.answer(20000);
    ASSERT_TRUE(a && a->contains("result")) << (a ? a->dump() : "none");
    EXPECT_EQ((*a)["result"]["loaded"], "content");
    const QByteArray encoded = QByteArray::fromStdString(text).toBase64();
    c.send(request(5, "load", {{"content", encoded.toStdString()}, {"encoding", "base64"}}));
    a = c.answer(20000);
    ASSERT_TRUE(a && a->contains("result")) << (a ? a->dump() : "none");
    c.send(request(6, "load", {{"content", "not a preset"}}));
    a = c.answer();
    ASSERT_TRUE(a && a->contains("error"));
    EXPECT_EQ((*a)["error"]["code"], kBadInput);

    c.send(
        request(7, "eq.fit",
                {{"content", "Preamp: -3 dB\nFilter 1: ON PK Fc 100 Hz Gain -3.0 dB Q 1.41\n"}}));
    a = c.answer();
    ASSERT_TRUE(a && a->contains("result")) << (a ? a->dump() : "none");
    EXPECT_FALSE((*a)["result"].empty());
}

TEST_F(ClientTrustTest, ALocalClientKeepsFullPathsButNoControlCharacters) {
    Client c(path);
    ASSERT_TRUE(c.connected);
    const std::string target = home.filePath("local").toStdString();
    c.send(request(1, "save", {{"path", target + std::string("\0", 1)}}));
    auto a = c.answer();
    ASSERT_TRUE(a && a->contains("error"));
    EXPECT_EQ((*a)["error"]["code"], kBadInput);
    EXPECT_NE(std::string((*a)["error"]["message"]).find("control character (0x00 at byte"),
              std::string::npos);
    EXPECT_FALSE(fs::exists(target));
    EXPECT_FALSE(fs::exists(target + ".Nddt"));

    c.send(request(2, "save", {{"path", target}}));
    a = c.answer(10000);
    ASSERT_TRUE(a && a->contains("result")) << (a ? a->dump() : "none");
    EXPECT_EQ((*a)["result"]["path"], target + ".Nddt");
    EXPECT_TRUE(fs::exists(target + ".Nddt"));
}

}  // namespace
}  // namespace vt::service
