// The window's link while another program owns the unit: the window reaches the unit through
// that program's control service and never opens a device itself. Edits go out as `set`
// requests (one per parameter at a time, the newest value next), what the owner's unit takes
// comes back into both images, the owner's link state drives the link label, and the window's
// device commands become the service's requests.
#pragma once

#include <QByteArray>
#include <QObject>
#include <map>
#include <optional>
#include <string>

#include "link/link_host.h"
#include "model/parameter_model.h"
#include "service/control_client.h"

namespace vt::ui {

class ServedLink : public QObject, public WriteSink {
    Q_OBJECT
  public:
    // `owner`: the owner's answer to `status`, when it gave one. Becomes the model's write sink.
    ServedLink(ParameterModel& model, LinkHost& host, std::string socketPath,
               const std::optional<service::Json>& owner, QObject* parent = nullptr);
    ~ServedLink() override;

    // Connects to the owner; the link label says how it goes.
    void start();
    void setLanguage(int flag) { m_language = flag; }

    // The link state as the window knows it: connected once the owner's unit is connected and
    // its image is here.
    int linkState() const;
    // Edits not yet answered (or waiting for one before them), an image write or a command.
    bool changesInFlight() const { return !m_sets.empty() || m_requests > 0; }
    // Writes the window's device image into the owner's unit (a loaded preset): the slots a
    // preset sets where the window's image differs from what the owner holds.
    void writeImage();
    void sendBluetooth(const QByteArray& payload);
    // "vortella-cli serve (pid 1234)".
    const std::string& ownerName() const { return m_ownerName; }

    // Write parameter's writes: a `set`, or the store and recall commands.
    void queueWrite(int address, int value) override;

  signals:
    // A change the window did not make is in both images now.
    void outsideChange(int address, int value);
    // The connection to the owner is gone, or could not be made.
    void ownerLost();

  private:
    struct SetState {
        std::optional<int> next;  // the newest value, sent once the one on its way is answered
    };

    // Edits, image writes and commands go to the owner (see queueWrite).
    bool takesRequests() const;
    void opened();
    void closed();
    void notified(const std::string& method, const service::Json& params);
    void followLink(const service::Json& link);
    // The owner holds `value` at `address`; the window follows unless an edit of its own to
    // the address is on its way (that one is newer).
    void followOwner(int address, int value);
    void requestImage();
    void requestSlot(int address);
    void sendSet(int address, int value);
    void setAnswered(int address, int value, const service::RpcIncoming& answer);
    void command(const char* method, const service::Json& params, std::function<void()> done);
    void showLabel();
    // A message box, one at a time.
    void tell(const std::string& text);

    ParameterModel& m_model;
    LinkHost& m_host;
    service::ControlClient m_client;
    std::string m_socketPath;
    std::string m_ownerName;
    int m_language = 0;
    int m_ownerState = 0;  // the owner's link state
    std::string m_linkText;
    bool m_haveImage = false;
    bool m_imageAsked = false;
    bool m_lost = false;
    bool m_telling = false;
    DeviceImage m_owner;             // what the owner's unit holds, as far as the window knows
    std::map<int, SetState> m_sets;  // addresses with a `set` on its way
    int m_requests = 0;              // image writes and commands on their way
};

}  // namespace vt::ui
