// Other programs beside the window in a test: a client of the user's control service that keeps
// every notification, and what `vortella-cli serve` runs, in this process.
#pragma once

#include <QtTest/QTest>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "devices/link_runtime.h"
#include "devices/simulated_device.h"
#include "link/link_host.h"
#include "model/parameter_model.h"
#include "service/control_client.h"
#include "service/control_service.h"
#include "service/endpoint_path.h"
#include "service/local_endpoint.h"

namespace vt::test {

using service::Json;
using service::RpcIncoming;

// A client of the service at the user's endpoint that keeps every notification.
struct Client {
    service::ControlClient client;
    std::vector<std::pair<std::string, Json>> notes;

    bool open() {
        QObject::connect(&client, &service::ControlClient::notification,
                         [this](const std::string& m, const Json& p) { notes.emplace_back(m, p); });
        client.open(service::endpointFolder(false).socket);
        return QTest::qWaitFor([&] { return client.isOpen(); }, 5000);
    }
    // Calls and waits for the answer.
    std::optional<RpcIncoming> call(const char* method, const Json& params = Json::object(),
                                    int ms = 20000) {
        std::optional<RpcIncoming> answer;
        client.call(method, params, [&answer](const RpcIncoming& a) { answer = a; });
        if (!QTest::qWaitFor([&] { return answer.has_value(); }, ms)) return std::nullopt;
        return answer;
    }
    bool sawChange(int address, int value, const char* source) const {
        for (const auto& [method, p] : notes)
            if (method == "changed" && p["address"] == address && p["value"] == value &&
                p["source"] == source)
                return true;
        return false;
    }
};

// What `vortella-cli serve` runs, in this process: the simulated unit's owner and its service.
struct HeadlessOwner {
    HeadlessOwner() {
        model.bindControls();
        devices::HubOptions options;
        options.simulate = true;
        runtime = std::make_unique<devices::LinkRuntime>(model, host, options);
        service::ServiceOptions serving;
        serving.program = "serve";
        serving.unitName = [] { return std::string("simulated"); };
        service = std::make_unique<service::ControlService>(model, *runtime, serving);
        QObject::connect(&endpoint, &service::LocalEndpoint::clientConnected, service.get(),
                         &service::ControlService::addClient);
    }
    bool start() {
        if (!endpoint.listen().listening) return false;
        runtime->hub().start();
        return true;
    }
    sim::SimulatedUnit& unit() { return runtime->hub().simulated()->unit(); }

    ParameterModel model;
    NullLinkHost host;
    std::unique_ptr<devices::LinkRuntime> runtime;
    service::LocalEndpoint endpoint;
    std::unique_ptr<service::ControlService> service;
};

}  // namespace vt::test
