// The control service on its local socket, over the simulated unit: malformed and oversized
// input, stalled, idle and surplus clients, answers in order, notifications, and a unit away.
#include "service_fixture.h"

namespace vt::service {
namespace {

using namespace std::chrono_literals;
using fixture::Client;
using fixture::ControlServiceTest;
using fixture::request;
using fixture::waitFor;

TEST_F(ControlServiceTest, BadMessagesGetTheirErrorAndTheConnectionStaysUsable) {
    Client c(path);
    ASSERT_TRUE(c.connected);
    const struct {
        std::string text;
        int code;
    } cases[] = {
        {"{\"jsonrpc\":\"2.0\",\"id\":1,", kParseError},
        {"[1,2]", kInvalidRequest},
        {"{\"id\":2,\"method\":\"status\"}", kInvalidRequest},
        {"{\"jsonrpc\":\"2.0\",\"id\":{\"a\":1},\"method\":\"status\"}", kInvalidRequest},
        {request(3, "no.such"), kMethodNotFound},
        {request(4, "set", {{"address", {1}}, {"value", 1}}), kInvalidParams},
        {request(5, "set", {{"address", "0x0105"}, {"value", 70000}}), kBadInput},
        {request(6, "set", {{"address", 13}, {"value", 0}}), kBadInput},
        {request(7, "load", {{"path", "relative.Nddt"}}), kBadInput},
        {request(8, "load", {{"path", "/nonexistent/p.Nddt"}}), kBadInput},
        {request(9, "dump", {{"fresh", "yes"}}), kInvalidParams},
        {request(10, "save", {{"fresh", 1}}), kInvalidParams},
        {std::string(100, '[') + std::string(100, ']'), kParseError},
        {request(11, "save", {{"path", "/nonexistent/folder/p"}}), kOutputFailed},
    };
    for (const auto& k : cases) {
        c.send(k.text);
        const auto a = c.answer();
        ASSERT_TRUE(a) << k.text;
        ASSERT_TRUE(a->contains("error")) << a->dump();
        EXPECT_EQ((*a)["error"]["code"], k.code) << k.text;
        EXPECT_NE((*a)["error"]["message"], "") << k.text;
    }
    c.send(request(12, "status"));
    const auto status = c.answer();
    ASSERT_TRUE(status && status->contains("result"));
    EXPECT_EQ((*status)["result"]["link"]["state"], "connected");
    EXPECT_EQ((*status)["result"]["unit"], "simulated");
}

TEST_F(ControlServiceTest, AnOversizedOrStalledLineDropsOnlyThatClient) {
    Client big(path), stalled(path), good(path);
    big.send(std::string(kMaxMessageBytes + 10, 'x'));
    stalled.socket.write("{\"jsonrpc\":\"2.0\",");
    EXPECT_TRUE(big.dropped());
    EXPECT_TRUE(stalled.dropped());
    good.send(request(1, "status"));
    const auto a = good.answer();
    ASSERT_TRUE(a && a->contains("result"));
}

TEST_F(ControlServiceTest, TheClientPastTheLimitIsRefusedAndTheOthersServed) {
    std::vector<std::unique_ptr<Client>> clients;
    for (int i = 0; i < 64; ++i) clients.push_back(std::make_unique<Client>(path));
    ASSERT_TRUE(waitFor([this] { return service->clientCount() == 64; }));
    Client extra(path);
    const auto refused = extra.next();
    ASSERT_TRUE(refused && refused->contains("error"));
    EXPECT_EQ((*refused)["error"]["code"], kTooManyClients);
    EXPECT_TRUE(extra.dropped());
    clients.back()->send(request(1, "status"));
    EXPECT_TRUE(clients.back()->answer());
    clients.pop_back();  // a place comes free
    ASSERT_TRUE(waitFor([this] { return service->clientCount() == 63; }));
    Client late(path);
    late.send(request(2, "status"));
    const auto a = late.answer();
    EXPECT_TRUE(a && a->contains("result"));
}

TEST_F(ControlServiceTest, AnswersComeInRequestOrderAndSubscribersSeeWhatTheUnitTook) {
    Client watcher(path), writer(path);
    watcher.send(request(1, "subscribe"));
    ASSERT_TRUE(watcher.answer());
    // Pipelined: writes, a read of the image and writes again, answered in this order.
    writer.send(request(1, "set", {{"address", "0x0105"}, {"value", 11}}));
    writer.send(request(2, "set", {{"address", 262}, {"value", "12"}}));
    writer.send(request(3, "dump"));
    writer.send(request(4, "get", {{"address", 261}}));
    writer.send(request(5, "set", {{"address", 261}, {"value", 13}}));
    for (int id = 1; id <= 5; ++id) {
        const auto a = writer.answer();
        ASSERT_TRUE(a) << id;
        ASSERT_TRUE(a->contains("result")) << a->dump();
        EXPECT_EQ((*a)["id"], id);
        if (id == 4) {
            EXPECT_EQ((*a)["result"]["value"], 11);
        }
    }
    EXPECT_EQ(model.device.at(0x0105), 13);
    EXPECT_EQ(runtime->hub().simulated()->unit().image().at(0x0105), 13);
    ASSERT_TRUE(waitFor([&] {
        watcher.buffer += watcher.socket.readAll();
        return watcher.buffer.count('\n') >= 3;
    }));
    std::vector<Json> changed;
    while (auto m = watcher.next(100)) changed.push_back(*m);
    ASSERT_GE(changed.size(), 3u);
    EXPECT_EQ(changed[0]["method"], "changed");
    EXPECT_EQ(changed[0]["params"]["address"], 0x0105);
    EXPECT_EQ(changed[0]["params"]["value"], 11);
    EXPECT_EQ(changed[0]["params"]["source"], "client");
    EXPECT_EQ(changed[0]["params"]["name"], "Compressor attack");
    for (const Json& m : changed) EXPECT_EQ(m["params"]["source"], "client") << m.dump();
}

TEST_F(ControlServiceTest, AClientThatVanishesMidRequestDisturbsNoOther) {
    {
        Client gone(path);
        gone.send(request(1, "set", {{"address", 0x0105}, {"value", 21}}));
        gone.send(request(2, "dump", {{"fresh", true}}));
        QCoreApplication::processEvents();
    }
    Client other(path);
    other.send(request(1, "set", {{"address", 0x0106}, {"value", 22}}));
    const auto a = other.answer(10000);
    ASSERT_TRUE(a && a->contains("result")) << (a ? a->dump() : "none");
    other.send(request(2, "get", {{"address", 0x0105}}));
    const auto b = other.answer();
    ASSERT_TRUE(b && b->contains("result"));
    EXPECT_EQ((*b)["result"]["value"], 21);  // the vanished client's write still went out
}

TEST_F(ControlServiceTest, WithTheUnitAwayRequestsFailAtOnceAndTheLinkIsNotified) {
    Client watcher(path), c(path);
    watcher.send(request(1, "subscribe"));
    ASSERT_TRUE(watcher.answer());
    runtime->hub().simulated()->unplug();
    ASSERT_TRUE(waitFor([&] {
        watcher.buffer += watcher.socket.readAll();
        return watcher.buffer.contains("\"state\":\"offline\"");
    })) << watcher.buffer.right(600).toStdString();
    c.send(request(1, "set", {{"address", 0x0105}, {"value", 5}}));
    const auto a = c.answer();
    ASSERT_TRUE(a && a->contains("error"));
    EXPECT_EQ((*a)["error"]["code"], kUnitFailed);
    EXPECT_EQ((*a)["error"]["data"]["exit"], 3);
    c.send(request(2, "status"));
    const auto s = c.answer();
    ASSERT_TRUE(s && s->contains("result"));
    EXPECT_EQ((*s)["result"]["link"]["state"], "offline");

    // Plugged in again, the owner connects by itself and serves writes again.
    runtime->hub().simulated()->plugIn();
    ASSERT_TRUE(waitFor([this] { return runtime->link().linkState() == kConnected; }, 10000));
    c.send(request(3, "set", {{"address", 0x0105}, {"value", 6}}));
    const auto again = c.answer();
    ASSERT_TRUE(again && again->contains("result")) << (again ? again->dump() : "none");
}

TEST_F(ControlServiceTest, AWebSocketClientWithTheTokenIsServedLikeALocalOne) {
    WebSocketListener remote(UpgradePolicy{std::string(64, 'a'), {}});
    QString why;
    ASSERT_TRUE(remote.listen({QHostAddress(QHostAddress::LocalHost), 0}, why))
        << why.toStdString();
    QObject::connect(&remote, &WebSocketListener::clientConnected, service.get(),
                     &ControlService::addClient);
    QWebSocket client;
    std::vector<Json> received;
    QObject::connect(&client, &QWebSocket::textMessageReceived, [&](const QString& text) {
        received.push_back(Json::parse(text.toStdString(), nullptr, false));
    });
    QNetworkRequest open(
        QUrl(QString("ws://127.0.0.1:%1/?token=%2").arg(remote.port()).arg(QString(64, 'a'))));
    client.open(open);
    ASSERT_TRUE(waitFor([&] { return client.state() == QAbstractSocket::ConnectedState; }));
    client.sendTextMessage(
        QString::fromStdString(request(1, "set", {{"address", 0x0105}, {"value", 9}})));
    client.sendTextMessage(QString::fromStdString(request(2, "get", {{"address", 0x0105}})));
    ASSERT_TRUE(waitFor([&] { return received.size() >= 2; }));
    EXPECT_EQ(received[0]["id"], 1);
    EXPECT_EQ(received[1]["result"]["value"], 9);
    EXPECT_EQ(runtime->hub().simulated()->unit().image().at(0x0105), 9);
}

class IdleControlServiceTest : public ControlServiceTest {
  protected:
    void SetUp() override {
        idleLimit = 300ms;
        ControlServiceTest::SetUp();
    }
};

TEST_F(IdleControlServiceTest, ASilentClientIsDroppedAndASubscriberKept) {
    Client silent(path), subscriber(path);
    subscriber.send(request(1, "subscribe"));
    ASSERT_TRUE(subscriber.answer());
    EXPECT_TRUE(silent.dropped(5000));
    subscriber.send(request(2, "status"));
    EXPECT_TRUE(subscriber.answer());
}

}  // namespace
}  // namespace vt::service
