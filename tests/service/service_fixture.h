// The control service over the simulated unit, listening on a local socket in a temporary folder,
// and the clients the service tests speak to it with.
#pragma once

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QLocalSocket>
#include <QNetworkRequest>
#include <QTemporaryDir>
#include <QWebSocket>
#include <memory>

#include "devices/link_runtime.h"
#include "devices/simulated_device.h"
#include "service/control_service.h"
#include "service/local_endpoint.h"
#include "service/websocket_listener.h"

namespace vt::service::fixture {

using namespace std::chrono_literals;

inline bool waitFor(const std::function<bool()>& condition, int ms = 5000) {
    QDeadlineTimer deadline(ms);
    while (!condition()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    return true;
}

// A client speaking lines to the service, in the test's own event loop.
struct Client {
    explicit Client(const std::string& path) {
        socket.connectToServer(QString::fromStdString(path));
        connected = waitFor([this] { return socket.state() == QLocalSocket::ConnectedState; });
    }
    void send(const std::string& line) {
        socket.write(QByteArray::fromStdString(line + "\n"));
        socket.flush();
    }
    std::optional<Json> next(int ms = 5000) {
        std::optional<Json> out;
        waitFor(
            [&] {
                buffer += socket.readAll();
                const qsizetype end = buffer.indexOf('\n');
                if (end < 0) return socket.state() != QLocalSocket::ConnectedState;
                out = Json::parse(buffer.left(end).toStdString(), nullptr, false);
                buffer.remove(0, end + 1);
                return true;
            },
            ms);
        return out;
    }
    // The next answer, passing over notifications (kept in `notes`).
    std::optional<Json> answer(int ms = 5000) {
        for (;;) {
            auto m = next(ms);
            if (!m || !m->contains("method")) return m;
            notes.push_back(*m);
        }
    }
    bool dropped(int ms = 3000) {
        return waitFor([this] { return socket.state() == QLocalSocket::UnconnectedState; }, ms);
    }
    QLocalSocket socket;
    QByteArray buffer;
    std::vector<Json> notes;
    bool connected = false;
};

// A client on the network: a WebSocket with the token, in the test's own event loop.
struct RemoteClient {
    RemoteClient(quint16 port, const QString& token) {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, [this](const QString& text) {
            received.push_back(Json::parse(text.toStdString(), nullptr, false));
        });
        socket.open(
            QNetworkRequest(QUrl(QString("ws://127.0.0.1:%1/?token=%2").arg(port).arg(token))));
        connected = waitFor([this] { return socket.state() == QAbstractSocket::ConnectedState; });
    }
    void send(const std::string& text) { socket.sendTextMessage(QString::fromStdString(text)); }
    std::optional<Json> answer(int ms = 5000) {
        for (;;) {
            if (!waitFor([this] { return !received.empty(); }, ms)) return std::nullopt;
            Json m = received.front();
            received.erase(received.begin());
            if (!m.contains("method")) return m;
        }
    }
    QWebSocket socket;
    std::vector<Json> received;
    bool connected = false;
};

inline const QString kTestToken(64, 'a');

inline std::string request(int id, const std::string& method, const Json& params = Json::object()) {
    return requestMessage(id, method, params);
}

class ControlServiceTest : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        path = dir.filePath("control").toStdString();
        model.bindControls();
        devices::HubOptions hub;
        hub.simulate = true;
        runtime = std::make_unique<devices::LinkRuntime>(model, host, hub);
        ServiceOptions options = serviceOptions;
        options.unitName = [] { return std::string("simulated"); };
        options.idleLimit = idleLimit;
        service = std::make_unique<ControlService>(model, *runtime, options);
        endpoint.setStallLimit(300);
        ASSERT_TRUE(endpoint.listen(path).listening);
        QObject::connect(&endpoint, &LocalEndpoint::clientConnected, service.get(),
                         &ControlService::addClient);
        runtime->hub().start();
        ASSERT_TRUE(waitFor([this] { return runtime->link().linkState() == kConnected; }, 10000));
    }

    // Opens the network door with kTestToken; its port.
    quint16 listenRemote() {
        remote = std::make_unique<WebSocketListener>(UpgradePolicy{kTestToken.toStdString(), {}});
        QString why;
        if (!remote->listen({QHostAddress(QHostAddress::LocalHost), 0}, why)) return 0;
        QObject::connect(remote.get(), &WebSocketListener::clientConnected, service.get(),
                         &ControlService::addClient);
        return remote->port();
    }

    std::chrono::milliseconds idleLimit = 10min;
    ServiceOptions serviceOptions;  // what a test changes before SetUp
    QTemporaryDir dir;
    std::string path;
    ParameterModel model;
    NullLinkHost host;
    std::unique_ptr<devices::LinkRuntime> runtime;
    std::unique_ptr<ControlService> service;
    LocalEndpoint endpoint;
    std::unique_ptr<WebSocketListener> remote;
};

}  // namespace vt::service::fixture
