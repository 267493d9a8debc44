// The local endpoint's own safety: what another user may have left in its folder (a lock file
// that is a link, a FIFO or theirs, anything in a folder that was open to them) is not trusted;
// and a socket that stopped listening, because an accept failed for want of descriptors, listens
// again, or says that it cannot.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <QLocalSocket>
#include <QTemporaryDir>
#include <QtTest/QTest>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>

#include "service/endpoint_path.h"
#include "service/local_endpoint.h"

namespace vt::service {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// XDG_RUNTIME_DIR set to a folder of the test for one scope.
class RuntimeFolder {
  public:
    explicit RuntimeFolder(const std::string& path) {
        if (const char* old = std::getenv("XDG_RUNTIME_DIR")) m_old = old;
        ::setenv("XDG_RUNTIME_DIR", path.c_str(), 1);
    }
    ~RuntimeFolder() {
        if (m_old)
            ::setenv("XDG_RUNTIME_DIR", m_old->c_str(), 1);
        else
            ::unsetenv("XDG_RUNTIME_DIR");
    }

  private:
    std::optional<std::string> m_old;
};

mode_t modeOf(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(::lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 07777;
}

class LocalEndpointTest : public ::testing::Test {
  protected:
    QTemporaryDir m_dir;
    fs::path m_root = m_dir.path().toStdString();
};

TEST_F(LocalEndpointTest, AFolderWithWhatOthersMayHaveLeftInItIsRefused) {
    const RuntimeFolder runtime(m_root.string());
    const fs::path folder = m_root / "vortella";
    enum Planted { Nothing, OwnLink, ForeignLink };
    struct Case {
        const char* what;
        mode_t mode;
        Planted planted;      // a link in the lock file's place
        const char* problem;  // nullptr: the folder is used
    };
    const Case cases[] = {
        {"private, empty", 0700, Nothing, nullptr},
        {"readable by all, with a link", 0755, OwnLink, nullptr},
        {"writable by all, empty", 0777, Nothing, nullptr},
        {"writable by the group, with a link", 0770, OwnLink, "was open to other users"},
        {"writable by all, with a link", 01777, OwnLink, "was open to other users"},
        {"private, with another user's link", 0700, ForeignLink, "belongs to user 65534"},
        {"writable by all, with another user's link", 0777, ForeignLink, "belongs to user 65534"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.planted == ForeignLink && ::geteuid() != 0)
            continue;  // giving a link away needs root
        fs::remove_all(folder);
        ASSERT_TRUE(fs::create_directory(folder));
        const fs::path lock = folder / "control.lock";
        if (c.planted != Nothing) fs::create_symlink(m_root / "theirs", lock);
        if (c.planted == ForeignLink) {
            ASSERT_EQ(::lchown(lock.c_str(), 65534, 65534), 0);
        }
        ASSERT_EQ(::chmod(folder.c_str(), c.mode), 0);

        const EndpointFolder found = endpointFolder(true);
        EXPECT_EQ(modeOf(folder), 0700u);  // closed to others whatever else happens
        if (!c.problem) {
            EXPECT_EQ(found.problem, "");
            EXPECT_EQ(found.socket, (folder / "control").string());
            continue;
        }
        EXPECT_NE(found.problem.find(c.problem), std::string::npos) << found.problem;
        EXPECT_NE(found.problem.find(folder.string()), std::string::npos) << found.problem;
        // Closed now, the folder is still refused while it holds what another user left.
        EXPECT_EQ(endpointFolder(true).problem.empty(), c.planted != ForeignLink);
        LocalEndpoint endpoint;
        EXPECT_FALSE(endpoint.listen().listening);
        EXPECT_FALSE(fs::exists(folder / "control"));
    }
}

TEST_F(LocalEndpointTest, ALockFileThatIsALinkAFifoOrAnotherUsersIsRefused) {
    const fs::path socket = m_root / "control";
    const fs::path lock = m_root / "control.lock";
    const fs::path target = m_root / "theirs";
    struct Case {
        const char* what;
        std::function<void()> plant;
        const char* problem;
        bool needsRoot;
    };
    const Case cases[] = {
        {"a link to a file",
         [&] {
             std::ofstream(target) << "kept";
             fs::create_symlink(target, lock);
         },
         "is a symbolic link", false},
        {"a dangling link", [&] { fs::create_symlink(target, lock); }, "is a symbolic link", false},
        {"a FIFO", [&] { ASSERT_EQ(::mkfifo(lock.c_str(), 0600), 0); },
         "is not a regular file of this user's", false},
        {"a folder", [&] { fs::create_directory(lock); }, "cannot open", false},
        {"another user's file",
         [&] {
             std::ofstream(lock) << "";
             ASSERT_EQ(::chown(lock.c_str(), 65534, 65534), 0);
         },
         "is not a regular file of this user's", true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.needsRoot && ::geteuid() != 0) continue;  // giving a file away needs root
        fs::remove_all(lock);
        fs::remove_all(target);
        c.plant();
        const bool targetThere = fs::exists(target);
        LocalEndpoint endpoint;
        const ListenOutcome outcome = endpoint.listen(socket.string());
        EXPECT_FALSE(outcome.listening);
        EXPECT_FALSE(outcome.taken);
        EXPECT_NE(outcome.problem.find(lock.string()), std::string::npos) << outcome.problem;
        EXPECT_NE(outcome.problem.find(c.problem), std::string::npos) << outcome.problem;
        EXPECT_FALSE(fs::exists(socket));
        // What a link led to was neither made nor changed.
        EXPECT_EQ(fs::exists(target), targetThere);
        if (targetThere) {
            std::ifstream in(target);
            std::string kept;
            in >> kept;
            EXPECT_EQ(kept, "kept");
        }
    }
}

// Lowers this process's soft limit of open files for one scope, so that the next descriptor
// the process makes (beyond those open now) is refused.
class NoMoreDescriptors {
  public:
    NoMoreDescriptors() {
        EXPECT_EQ(::getrlimit(RLIMIT_NOFILE, &m_old), 0);
        const int lowestFree = ::fcntl(0, F_DUPFD, 0);
        ::close(lowestFree);
        rlimit lower = m_old;
        lower.rlim_cur = static_cast<rlim_t>(lowestFree);
        EXPECT_EQ(::setrlimit(RLIMIT_NOFILE, &lower), 0);
    }
    ~NoMoreDescriptors() { ::setrlimit(RLIMIT_NOFILE, &m_old); }

  private:
    rlimit m_old{};
};

// A client's connection to `path` made with a socket opened beforehand: connecting takes no
// descriptor of this process.
class RawClient {
  public:
    RawClient() : m_fd(::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0)) {}
    ~RawClient() { ::close(m_fd); }
    bool connectTo(const std::string& path) {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        return ::connect(m_fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    }

  private:
    int m_fd;
};

class ListeningAgainTest : public LocalEndpointTest {
  protected:
    void SetUp() override {
        ASSERT_TRUE(fs::create_directory(m_folder));
        m_endpoint.setWatchInterval(1h);
        ASSERT_TRUE(m_endpoint.listen(m_socket.string()).listening);
        QObject::connect(&m_endpoint, &LocalEndpoint::listeningAgain,
                         [this](const QString& why) { m_again = why; });
        QObject::connect(&m_endpoint, &LocalEndpoint::listeningLost,
                         [this](const QString& why) { m_lost = why; });
        QObject::connect(&m_endpoint, &LocalEndpoint::clientConnected,
                         [this](ClientChannel* channel) {
                             ++m_clients;
                             channel->deleteLater();
                         });
    }

    // A client knocks while the process has no descriptor left: the accept fails, and the
    // server closes its socket (and removes its file).
    void failAnAccept() {
        RawClient client;
        NoMoreDescriptors limit;
        ASSERT_TRUE(client.connectTo(m_socket.string()));
        EXPECT_TRUE(QTest::qWaitFor([&] { return !fs::exists(m_socket); }, 5000));
    }

    fs::path m_folder = m_root / "run";
    fs::path m_socket = m_folder / "control";
    LocalEndpoint m_endpoint;
    std::optional<QString> m_again, m_lost;
    int m_clients = 0;
};

TEST_F(ListeningAgainTest, ASocketClosedByAFailedAcceptListensAgain) {
    failAnAccept();
    {
        // The closed socket's descriptor is taken by something else, and there is no other
        // left: only the spare descriptor makes room for the new socket.
        const int filler = ::open("/dev/null", O_RDONLY | O_CLOEXEC);
        NoMoreDescriptors none;
        m_endpoint.setWatchInterval(10ms);
        EXPECT_TRUE(QTest::qWaitFor([&] { return m_again || m_lost; }, 5000));
        ::close(filler);
    }
    EXPECT_FALSE(m_lost) << m_lost->toStdString();
    ASSERT_TRUE(m_again);
    EXPECT_FALSE(m_again->isEmpty());  // the system's reason
    EXPECT_EQ(modeOf(m_socket) & 0777, 0600u);

    QLocalSocket client;
    client.connectToServer(QString::fromStdString(m_socket.string()));
    ASSERT_TRUE(client.waitForConnected(5000));
    EXPECT_TRUE(QTest::qWaitFor([&] { return m_clients == 1; }, 5000));
}

TEST_F(ListeningAgainTest, ASocketThatCannotListenAgainSaysSo) {
    failAnAccept();
    fs::rename(m_folder, m_root / "moved");  // the socket's folder is gone
    m_endpoint.setWatchInterval(10ms);
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_again || m_lost; }, 5000));
    EXPECT_FALSE(m_again);
    ASSERT_TRUE(m_lost);
    EXPECT_TRUE(m_lost->contains(QString::fromStdString("cannot listen at " + m_socket.string())))
        << m_lost->toStdString();
}

}  // namespace
}  // namespace vt::service
