// The WebSocket listener on a loopback port with real clients: the right token (in a header, the
// query or a subprotocol) lets a client in and its text frames through both ways; a missing or
// wrong token, a foreign origin, an oversized or stalled request head, a binary or oversized
// frame keep it out or drop it, while other clients go on being served. Plain requests get the
// web app's files without a token.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <QNetworkRequest>
#include <QPointer>
#include <QTcpSocket>
#include <QTemporaryDir>
#include <QWebSocket>
#include <QWebSocketHandshakeOptions>
#include <QtTest/QTest>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <functional>
#include <memory>
#include <vector>

#include "service/web_files.h"
#include "service/websocket_channel.h"
#include "service/websocket_listener.h"

namespace vt::service {
namespace {

using namespace std::chrono_literals;

constexpr const char* kToken = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef";
constexpr const char* kWrong = "0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdee";
constexpr const char* kStudio = "https://studio.example";
constexpr int kWaitMs = 5000;

// What a client saw of its channel on the service's side.
struct Served {
    QPointer<ClientChannel> channel;
    std::vector<std::string> messages;
    bool closed = false;
};

class WebSocketListenerTest : public ::testing::Test {
  protected:
    void SetUp() override {
        m_listener->setRequestHeadTime(1500ms);
        QString why;
        ASSERT_TRUE(m_listener->listen({QHostAddress(QHostAddress::LocalHost), 0}, why))
            << why.toStdString();
        QObject::connect(
            m_listener.get(), &WebSocketListener::clientConnected, [this](ClientChannel* channel) {
                auto served = std::make_shared<Served>();
                served->channel = channel;
                QObject::connect(channel, &ClientChannel::messageReceived,
                                 [served](const std::string& m) { served->messages.push_back(m); });
                QObject::connect(channel, &ClientChannel::closed,
                                 [served] { served->closed = true; });
                m_served.push_back(served);
            });
    }

    QUrl url(const QString& query = {}) const {
        QUrl u(QStringLiteral("ws://127.0.0.1:%1/").arg(m_listener->port()));
        if (!query.isEmpty()) u.setQuery(query);
        return u;
    }

    // A WebSocket client opened with `request`, connected and served, or nullptr.
    std::unique_ptr<QWebSocket> connectClient(const QNetworkRequest& request) {
        auto client = std::make_unique<QWebSocket>();
        const std::size_t before = m_served.size();
        client->open(request);
        if (!QTest::qWaitFor(
                [&] {
                    return client->state() == QAbstractSocket::ConnectedState &&
                           m_served.size() > before;
                },
                kWaitMs))
            return nullptr;
        return client;
    }

    // The full upgrade request a browser would send, with `extra` header lines.
    QByteArray upgradeRequest(const QByteArray& target, const QByteArray& extra) const {
        return "GET " + target +
               " HTTP/1.1\r\nHost: 127.0.0.1:" + QByteArray::number(m_listener->port()) +
               "\r\nUpgrade: websocket\r\nConnection: Upgrade\r\n"
               "Sec-WebSocket-Key: dGhlIHNhbXBsZSBub25jZQ==\r\nSec-WebSocket-Version: 13\r\n" +
               extra + "\r\n";
    }

    std::unique_ptr<QTcpSocket> rawClient(const QByteArray& bytes) {
        auto socket = std::make_unique<QTcpSocket>();
        socket->connectToHost(QHostAddress(QHostAddress::LocalHost), m_listener->port());
        EXPECT_TRUE(socket->waitForConnected(kWaitMs));
        socket->write(bytes);
        return socket;
    }

    // The status line the listener answers `request` with ("" when it answers nothing), and
    // whether it then ended the connection.
    std::pair<QByteArray, bool> exchange(const QByteArray& request) {
        const auto socket = rawClient(request);
        QByteArray received;
        (void)QTest::qWaitFor(
            [&] {
                received += socket->readAll();
                return received.contains("\r\n\r\n") ||
                       socket->state() == QAbstractSocket::UnconnectedState;
            },
            kWaitMs);
        const bool ended = QTest::qWaitFor(
            [&] { return socket->state() == QAbstractSocket::UnconnectedState; }, 500);
        return {received.left(received.indexOf("\r\n")), ended};
    }

    // The whole answer to `request`, read until the listener ended the connection.
    QByteArray wholeAnswer(const QByteArray& request) {
        const auto socket = rawClient(request);
        QByteArray received;
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                received += socket->readAll();
                return socket->state() == QAbstractSocket::UnconnectedState;
            },
            kWaitMs));
        return received + socket->readAll();
    }

    // One message each way between `client` and the channel the listener made for it.
    void roundTrip(QWebSocket& client, Served& served) {
        const QString question = QStringLiteral(R"({"jsonrpc":"2.0","id":1,"method":"Ω"})");
        client.sendTextMessage(question);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !served.messages.empty(); }, kWaitMs));
        EXPECT_EQ(served.messages.back(), question.toStdString());

        QString answer;
        QObject::connect(&client, &QWebSocket::textMessageReceived,
                         [&answer](const QString& m) { answer = m; });
        ASSERT_TRUE(served.channel);
        served.channel->sendMessage(R"({"jsonrpc":"2.0","id":1,"result":"ü"})");
        ASSERT_TRUE(QTest::qWaitFor([&] { return !answer.isEmpty(); }, kWaitMs));
        EXPECT_EQ(answer, QStringLiteral(R"({"jsonrpc":"2.0","id":1,"result":"ü"})"));
    }

    std::unique_ptr<WebSocketListener> m_listener =
        std::make_unique<WebSocketListener>(UpgradePolicy{kToken, {kStudio}});
    std::vector<std::shared_ptr<Served>> m_served;
};

TEST_F(WebSocketListenerTest, TheRightTokenInTheHeaderOrTheQueryLetsTextThroughBothWays) {
    QNetworkRequest withHeader(url());
    withHeader.setRawHeader("Authorization", QByteArray("Bearer ") + kToken);
    const QNetworkRequest withQuery(url(QStringLiteral("token=") + kToken));
    for (const QNetworkRequest& request : {withHeader, withQuery}) {
        SCOPED_TRACE(request.url().toString().toStdString());
        const auto client = connectClient(request);
        ASSERT_TRUE(client);
        Served& served = *m_served.back();
        EXPECT_EQ(served.channel->peer(),
                  QStringLiteral("ws 127.0.0.1:%1").arg(client->localPort()));
        roundTrip(*client, served);

        client->close();
        EXPECT_TRUE(QTest::qWaitFor([&] { return served.closed; }, kWaitMs));
        // The channel deletes itself once it has said so.
        EXPECT_TRUE(QTest::qWaitFor([&] { return served.channel.isNull(); }, kWaitMs));
    }
}

TEST_F(WebSocketListenerTest, NoTokenAWrongTokenOrAForeignOriginIsAnsweredAndShutOut) {
    const QByteArray query = QByteArray("/?token=") + kToken;
    struct Case {
        const char* what;
        QByteArray target;
        QByteArray extra;
        QByteArray status;
    };
    const Case cases[] = {
        {"no token", "/", "", "HTTP/1.1 401 Unauthorized"},
        {"wrong bearer", "/", QByteArray("Authorization: Bearer ") + kWrong + "\r\n",
         "HTTP/1.1 401 Unauthorized"},
        {"wrong query", QByteArray("/?token=") + kWrong, "", "HTTP/1.1 401 Unauthorized"},
        {"foreign origin", query, "Origin: https://evil.example\r\n", "HTTP/1.1 403 Forbidden"},
        {"loopback origin", query, "Origin: http://localhost:8000\r\n", "HTTP/1.1 403 Forbidden"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto [status, ended] = exchange(upgradeRequest(c.target, c.extra));
        EXPECT_EQ(status.toStdString(), c.status.toStdString());
        EXPECT_TRUE(ended);
    }
    EXPECT_TRUE(m_served.empty());

    // A page of a listed origin is let in, and so is one of the service's own address (the web
    // app; programs that send the address they connect to as their origin).
    const QByteArray port = QByteArray::number(m_listener->port());
    for (const QByteArray& origin :
         {QByteArray(kStudio), "http://127.0.0.1:" + port, "http://localhost:" + port}) {
        SCOPED_TRACE(origin.toStdString());
        const auto [status, ended] = exchange(upgradeRequest(query, "Origin: " + origin + "\r\n"));
        EXPECT_EQ(status.toStdString(), "HTTP/1.1 101 Switching Protocols");
    }
    EXPECT_EQ(m_served.size(), 3u);
    // Another port of this machine is another page.
    const auto [status, ended] = exchange(upgradeRequest(
        query, "Origin: http://127.0.0.1:" + QByteArray::number(m_listener->port() + 1) + "\r\n"));
    EXPECT_EQ(status.toStdString(), "HTTP/1.1 403 Forbidden");
}

TEST_F(WebSocketListenerTest, APageOffersTheTokenAsASubprotocolAndIsAnsweredWithThePlainOne) {
    const auto offering = [this](const QString& token) {
        QWebSocketHandshakeOptions options;
        options.setSubprotocols({QStringLiteral("vortella"), "vortella.token." + token});
        auto client = std::make_unique<QWebSocket>();
        QNetworkRequest request(url());
        request.setRawHeader("Origin",
                             "http://127.0.0.1:" + QByteArray::number(m_listener->port()));
        client->open(request, options);
        return client;
    };
    const auto client = offering(QString::fromLatin1(kToken));
    ASSERT_TRUE(QTest::qWaitFor(
        [&] { return client->state() == QAbstractSocket::ConnectedState && !m_served.empty(); },
        kWaitMs));
    EXPECT_EQ(client->subprotocol(), QStringLiteral("vortella"));
    roundTrip(*client, *m_served.back());

    const auto wrong = offering(QString::fromLatin1(kWrong));
    EXPECT_TRUE(QTest::qWaitFor([&] { return wrong->state() == QAbstractSocket::UnconnectedState; },
                                kWaitMs));
    EXPECT_EQ(m_served.size(), 1u);
    EXPECT_EQ(exchange(upgradeRequest("/", QByteArray("Sec-WebSocket-Protocol: vortella.token.") +
                                               kWrong + "\r\n"))
                  .first,
              "HTTP/1.1 401 Unauthorized");
}

TEST_F(WebSocketListenerTest, PlainRequestsGetThePageWithoutATokenAndHandshakesStillNeedOne) {
    const WebFile* page = nullptr;
    for (const WebFile& file : builtInWebFiles())
        if (file.path == "/index.html") page = &file;
    ASSERT_TRUE(page);
    const QByteArray body(page->body.data(), static_cast<qsizetype>(page->body.size()));
    const QByteArray host = "Host: 127.0.0.1:" + QByteArray::number(m_listener->port()) + "\r\n";

    const QByteArray got = wholeAnswer("GET / HTTP/1.1\r\n" + host + "\r\n");
    EXPECT_TRUE(got.startsWith("HTTP/1.1 200 OK\r\n")) << got.left(200).toStdString();
    EXPECT_TRUE(got.endsWith("\r\n\r\n" + body));
    EXPECT_TRUE(got.contains("\r\nContent-Type: text/html; charset=utf-8\r\n"));
    EXPECT_TRUE(got.contains("\r\nX-Content-Type-Options: nosniff\r\n"));
    const qsizetype tagAt = got.indexOf("\r\nETag: ") + 8;
    const QByteArray tag = got.mid(tagAt, got.indexOf("\r\n", tagAt) - tagAt);
    EXPECT_EQ(tag.size(), 34);

    struct Case {
        const char* what;
        QByteArray request;
        QByteArray status;
    };
    const Case cases[] = {
        {"the tag the browser holds",
         "GET /index.html HTTP/1.1\r\n" + host + "If-None-Match: " + tag + "\r\n\r\n",
         "HTTP/1.1 304 Not Modified"},
        {"HEAD", "HEAD /style.css HTTP/1.1\r\n" + host + "\r\n", "HTTP/1.1 200 OK"},
        {"unknown", "GET /token HTTP/1.1\r\n" + host + "\r\n", "HTTP/1.1 404 Not Found"},
        {"traversal", "GET /%2e%2e/%2e%2e/etc/passwd HTTP/1.1\r\n" + host + "\r\n",
         "HTTP/1.1 400 Bad Request"},
        {"POST", "POST / HTTP/1.1\r\n" + host + "Content-Length: 0\r\n\r\n",
         "HTTP/1.1 405 Method Not Allowed"},
        {"not HTTP", "\x16\x03\x01\r\n\r\n", "HTTP/1.1 400 Bad Request"},
        // An upgrade that is no good handshake is not taken for a request for the page.
        {"a handshake without its key", "GET / HTTP/1.1\r\n" + host + "Upgrade: websocket\r\n\r\n",
         "HTTP/1.1 401 Unauthorized"},
        {"the same with the token",
         QByteArray("GET /?token=") + kToken + " HTTP/1.1\r\n" + host +
             "Upgrade: websocket\r\n\r\n",
         "HTTP/1.1 400 Bad Request"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const QByteArray answer = wholeAnswer(c.request);
        EXPECT_TRUE(answer.startsWith(c.status + "\r\n")) << answer.left(200).toStdString();
        EXPECT_FALSE(answer.contains(body));
    }
    EXPECT_TRUE(m_served.empty());
}

TEST_F(WebSocketListenerTest, ARemovedOrChangedTokenFileRevokesTheOldToken) {
    QTemporaryDir folder;
    ASSERT_TRUE(folder.isValid());
    const std::string file = folder.filePath("token").toStdString();
    const auto writeToken = [&file](const char* token) {
        const std::string temp = file + ".new";
        { std::ofstream(temp) << token << "\n"; }
        ::chmod(temp.c_str(), 0600);
        std::rename(temp.c_str(), file.c_str());
    };
    writeToken(kToken);
    m_listener->followTokenFile(file);
    const auto first = connectClient(QNetworkRequest(url(QStringLiteral("token=") + kToken)));
    ASSERT_TRUE(first);

    writeToken(kWrong);  // the user changed the token: the old one is refused from now on
    EXPECT_TRUE(QTest::qWaitFor([&] { return first->state() == QAbstractSocket::UnconnectedState; },
                                kWaitMs));
    EXPECT_EQ(exchange(upgradeRequest(QByteArray("/?token=") + kToken, "")).first,
              "HTTP/1.1 401 Unauthorized");
    const auto second = connectClient(QNetworkRequest(url(QStringLiteral("token=") + kWrong)));
    ASSERT_TRUE(second);

    std::remove(file.c_str());  // removed: no token lets anybody in
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return second->state() == QAbstractSocket::UnconnectedState; }, kWaitMs));
    EXPECT_EQ(exchange(upgradeRequest(QByteArray("/?token=") + kWrong, "")).first,
              "HTTP/1.1 401 Unauthorized");
}

TEST_F(WebSocketListenerTest, ARequestHeadUpToTheLimitIsReadAndOneByteMoreIsDropped) {
    // Long enough that a drop within the wait comes from the size, not from the time.
    m_listener->setRequestHeadTime(std::chrono::milliseconds(4 * kWaitMs));
    const QByteArray request = upgradeRequest(QByteArray("/?token=") + kToken, "");
    const auto padded = [&](qint64 size) {
        QByteArray filler = "X-Filler: \r\n";
        filler.insert(10, QByteArray(size - request.size() - filler.size(), 'a'));
        return upgradeRequest(QByteArray("/?token=") + kToken, filler);
    };
    ASSERT_EQ(padded(kMaxRequestHead).size(), kMaxRequestHead);
    EXPECT_EQ(exchange(padded(kMaxRequestHead)).first.toStdString(),
              "HTTP/1.1 101 Switching Protocols");
    const auto [status, ended] = exchange(padded(kMaxRequestHead + 1));
    EXPECT_EQ(status.toStdString(), "");
    EXPECT_TRUE(ended);
}

TEST_F(WebSocketListenerTest, AnOversizedOrStalledHeadIsDroppedWhileAnotherClientIsServed) {
    const QByteArray request = upgradeRequest(QByteArray("/?token=") + kToken, "");
    struct Case {
        const char* what;
        QByteArray sent;
        bool waitsForTheRest;  // until its time is up, without holding up the other client
    };
    const Case cases[] = {
        {"a head without end", request.left(20) + QByteArray(3 * kMaxRequestHead, 'a'), false},
        {"half a head, then nothing", request.left(request.size() / 2), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto bad = rawClient(c.sent);
        QByteArray badReceived;
        QObject::connect(bad.get(), &QTcpSocket::readyRead, [&] { badReceived += bad->readAll(); });

        const auto good = connectClient(QNetworkRequest(url(QStringLiteral("token=") + kToken)));
        ASSERT_TRUE(good);
        roundTrip(*good, *m_served.back());
        if (c.waitsForTheRest) {
            EXPECT_EQ(bad->state(), QAbstractSocket::ConnectedState);
        }

        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return bad->state() == QAbstractSocket::UnconnectedState; }, kWaitMs));
        EXPECT_EQ(badReceived.toStdString(), "");
        EXPECT_EQ(good->state(), QAbstractSocket::ConnectedState);
    }
    EXPECT_EQ(m_served.size(), 2u);
}

TEST_F(WebSocketListenerTest, ConnectionsWithoutAHandshakeAreBoundedFromOneAddressAndInAll) {
    m_listener->setRequestHeadTime(std::chrono::milliseconds(20 * kWaitMs));
    std::vector<std::unique_ptr<QTcpSocket>> held;
    // An idle connection from `address`; `open` tells whether it is still open a moment later.
    const auto idleFrom = [&](const QString& address) {
        auto socket = std::make_unique<QTcpSocket>();
        EXPECT_TRUE(socket->bind(QHostAddress(address)));
        socket->connectToHost(QHostAddress(QHostAddress::LocalHost), m_listener->port());
        EXPECT_TRUE(socket->waitForConnected(kWaitMs));
        QTest::qWait(5);  // taken by the listener before the next one comes
        held.push_back(std::move(socket));
        return held.back().get();
    };
    const auto open = [](QTcpSocket* socket) {
        return !QTest::qWaitFor(
            [&] { return socket->state() == QAbstractSocket::UnconnectedState; }, 300);
    };

    for (int i = 0; i < kMaxHalfOpenPerAddress; ++i) idleFrom(QStringLiteral("127.0.0.2"));
    EXPECT_FALSE(open(idleFrom(QStringLiteral("127.0.0.2"))));
    EXPECT_TRUE(open(idleFrom(QStringLiteral("127.0.0.3"))));
    // A finished handshake gives its place back.
    held.front()->write(upgradeRequest(QByteArray("/?token=") + kToken, ""));
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_served.size() == 1; }, kWaitMs));
    EXPECT_TRUE(open(idleFrom(QStringLiteral("127.0.0.2"))));

    // With 16 from the first address and 1 from the second, the rest of the places in all are
    // taken from other addresses; then one more is closed at once.
    for (int taken = kMaxHalfOpenPerAddress + 1; taken < kMaxHalfOpen; ++taken)
        idleFrom(QStringLiteral("127.0.1.%1").arg(taken / kMaxHalfOpenPerAddress));
    EXPECT_FALSE(open(idleFrom(QStringLiteral("127.0.2.1"))));
    const auto connected = [&] {
        return std::count_if(held.begin(), held.end(), [](const auto& socket) {
            return socket->state() == QAbstractSocket::ConnectedState;
        });
    };
    EXPECT_EQ(connected(), kMaxHalfOpen + 1);  // the upgraded one has no place any more
}

TEST_F(WebSocketListenerTest, ABinaryFrameOrAMessageOverTheLimitDropsTheClient) {
    struct Case {
        const char* what;
        std::function<void(QWebSocket&)> send;
        bool dropped;
    };
    const Case cases[] = {
        {"binary frame", [](QWebSocket& c) { c.sendBinaryMessage("{}"); }, true},
        {"text over the limit",
         [](QWebSocket& c) { c.sendTextMessage(QString(kMaxWebSocketMessage + 1, u'a')); }, true},
        {"text over the limit in small frames",
         [](QWebSocket& c) {
             c.setOutgoingFrameSize(1024);
             c.sendTextMessage(QString(kMaxWebSocketMessage + 1, u'a'));
         },
         true},
        {"text at the limit",
         [](QWebSocket& c) { c.sendTextMessage(QString(kMaxWebSocketMessage, u'a')); }, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const auto client = connectClient(QNetworkRequest(url(QStringLiteral("token=") + kToken)));
        ASSERT_TRUE(client);
        Served& served = *m_served.back();
        c.send(*client);
        if (c.dropped) {
            EXPECT_TRUE(QTest::qWaitFor([&] { return served.closed; }, kWaitMs));
            EXPECT_TRUE(QTest::qWaitFor(
                [&] { return client->state() == QAbstractSocket::UnconnectedState; }, kWaitMs));
            EXPECT_TRUE(served.messages.empty());
        } else {
            ASSERT_TRUE(QTest::qWaitFor([&] { return !served.messages.empty(); }, kWaitMs));
            EXPECT_EQ(served.messages.front().size(), std::size_t(kMaxWebSocketMessage));
            EXPECT_FALSE(served.closed);
        }
    }
}

TEST_F(WebSocketListenerTest, AFrameThatBreaksTheProtocolIsClosedWithItsCode) {
    // Raw frames after a real handshake: a client frame must be masked (RFC 6455 5.1).
    const struct {
        const char* what;
        QByteArray frame;
        int code;
    } cases[] = {
        {"unmasked text", QByteArray("\x81\x02{}", 4), 1002},
        {"reserved bit", QByteArray("\xC1\x82\0\0\0\0{}", 8), 1002},
        {"text that is not UTF-8", QByteArray("\x81\x82\0\0\0\0\xC3\x28", 8), 1007},
    };
    for (const auto& k : cases) {
        SCOPED_TRACE(k.what);
        const auto socket = rawClient(upgradeRequest("/?token=" + QByteArray(kToken), ""));
        QByteArray received;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                received += socket->readAll();
                return received.contains("\r\n\r\n");
            },
            kWaitMs));
        ASSERT_TRUE(received.startsWith("HTTP/1.1 101 Switching Protocols\r\n"));
        // The accept key of the RFC's own example.
        EXPECT_TRUE(received.contains("Sec-WebSocket-Accept: s3pPLMBiTxaQ9kYGzzhZRbK+xOo=\r\n"));
        received.remove(0, received.indexOf("\r\n\r\n") + 4);
        ASSERT_TRUE(QTest::qWaitFor([&] { return !m_served.empty(); }, kWaitMs));
        Served& served = *m_served.back();
        socket->write(k.frame);
        EXPECT_TRUE(QTest::qWaitFor(
            [&] {
                received += socket->readAll();
                return socket->state() == QAbstractSocket::UnconnectedState;
            },
            kWaitMs));
        ASSERT_GE(received.size(), 4);
        EXPECT_EQ(static_cast<unsigned char>(received[0]), 0x88u);  // a close frame
        EXPECT_EQ((static_cast<unsigned char>(received[2]) << 8) |
                      static_cast<unsigned char>(received[3]),
                  k.code);
        EXPECT_TRUE(served.messages.empty());
        EXPECT_TRUE(QTest::qWaitFor([&] { return served.closed; }, kWaitMs));
    }
}

TEST_F(WebSocketListenerTest, ClosingTheChannelDropsTheClient) {
    const auto client = connectClient(QNetworkRequest(url(QStringLiteral("token=") + kToken)));
    ASSERT_TRUE(client);
    Served& served = *m_served.back();
    served.channel->close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return served.closed; }, kWaitMs));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return client->state() == QAbstractSocket::UnconnectedState; }, kWaitMs));
}

TEST_F(WebSocketListenerTest, ClientsAreDroppedWithTheListener) {
    const auto client = connectClient(QNetworkRequest(url(QStringLiteral("token=") + kToken)));
    ASSERT_TRUE(client);
    Served& served = *m_served.back();
    m_listener.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return served.closed; }, kWaitMs));
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return client->state() == QAbstractSocket::UnconnectedState; }, kWaitMs));
    EXPECT_TRUE(QTest::qWaitFor([&] { return served.channel.isNull(); }, kWaitMs));
}

TEST_F(WebSocketListenerTest, ATakenPortIsRefusedWithTheReason) {
    WebSocketListener second(UpgradePolicy{kToken, {}});
    QString why;
    EXPECT_FALSE(second.listen({QHostAddress(QHostAddress::LocalHost), m_listener->port()}, why));
    EXPECT_TRUE(why.contains(QStringLiteral("in use"))) << why.toStdString();
    why.clear();
    EXPECT_FALSE(second.listen({QHostAddress(QStringLiteral("192.0.2.1")), 8765}, why));
    EXPECT_FALSE(why.isEmpty());
}

}  // namespace
}  // namespace vt::service
