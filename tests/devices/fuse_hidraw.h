// A hidraw node served from user space: one FUSE file that behaves as /dev/hidrawN does for
// everything hidapi's hidraw back end and this program use on an open path (open, one report per
// write and per read, blocking or EAGAIN, poll with wake-up, the report descriptor and info
// ioctls), with the simulated unit behind it. "Pulling" the unit removes the file and makes the
// open handles fail as a removed device's do; "plugging" it in again brings the file back.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace vt::test {

struct FuseHidrawOptions {
    std::vector<std::uint8_t> descriptor;  // the report descriptor the node serves
    int unitReportLength = 65;             // bytes of every report the unit takes and sends
    std::chrono::milliseconds latency{2};  // of the unit's answers
};

class FuseHidraw {
  public:
    // Mounts a file system with the node `name` in the folder `mountPoint` (which must exist).
    // isMounted() tells whether it worked, why() why not.
    FuseHidraw(const std::string& mountPoint, const std::string& name, FuseHidrawOptions options);
    ~FuseHidraw();
    FuseHidraw(const FuseHidraw&) = delete;
    FuseHidraw& operator=(const FuseHidraw&) = delete;

    bool isMounted() const;
    std::string why() const;
    std::string path() const;

    void pull();
    void plug();

    // What the node saw: the length of every write as the program made it, and how many
    // reads, polls and times a blocked read was woken.
    std::vector<std::size_t> writeLengths() const;
    std::size_t reportsWritten() const;
    int openHandles() const;
    // Every parameter write the unit acted on, as (address, value), and its image value.
    std::vector<std::pair<int, int>> unitWrites() const;
    int unitValue(int address) const;
    int unitImagePackets() const;
    // CPU time the node's own threads have used (to tell it apart from the program's).
    double cpuSeconds() const;

    struct State;

  private:
    std::unique_ptr<State> m_state;
};

// A vendor-page report descriptor: input and output reports of `dataBytes` bytes, under report
// IDs 1 (frames) and 2 (start report) when `numbered`, else without IDs.
std::vector<std::uint8_t> unitDescriptor(int dataBytes, bool numbered);

}  // namespace vt::test
