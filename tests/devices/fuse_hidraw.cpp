// The FUSE low-level file system of the served hidraw node, and the thread that delivers the
// simulated unit's answers when they fall due. Reads that find no report wait as pending
// requests and are answered when one arrives, so the session loop itself never blocks.
#define FUSE_USE_VERSION 35
#include "fuse_hidraw.h"

#include <fuse_lowlevel.h>
#include <linux/hidraw.h>
#include <poll.h>
#include <sys/ioctl.h>

#include <pthread.h>
#include <algorithm>
#include <cerrno>
#include <condition_variable>
#include <cstring>
#include <ctime>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

#include "sim/simulated_unit.h"

namespace vt::test {
namespace {

constexpr fuse_ino_t kNodeInode = 2;
constexpr std::size_t kQueueLimit = 64;  // as hidraw: the oldest report goes when a reader lags

struct Handle {
    bool nonBlocking = false;
    std::deque<std::vector<std::uint8_t>> reports;
    fuse_req_t pendingRead = nullptr;
    std::size_t pendingSize = 0;
    fuse_pollhandle* poll = nullptr;
};

}  // namespace

struct FuseHidraw::State {
    FuseHidrawOptions options;
    std::string mountPoint, name, why;
    fuse_session* session = nullptr;
    std::thread loop;

    mutable std::mutex lock;
    std::condition_variable answersChanged;
    bool plugged = true;
    bool stopping = false;
    std::map<std::uint64_t, Handle> handles;
    std::uint64_t nextHandle = 1;
    std::vector<std::size_t> writeLengths;
    sim::SimulatedUnit unit;
    std::chrono::steady_clock::time_point start = std::chrono::steady_clock::now();
    std::thread deliverer;

    explicit State(FuseHidrawOptions o)
        : options(std::move(o)), unit(TransportKind::UsbHid, 1, options.unitReportLength) {
        unit.setLatency(options.latency);
    }

    sim::Millis now() const {
        return std::chrono::duration_cast<sim::Millis>(std::chrono::steady_clock::now() - start);
    }

    // With the lock held: hands a report to every open handle, as hidraw does.
    void deliver(const std::vector<std::uint8_t>& report) {
        for (auto& [id, h] : handles) {
            if (h.pendingRead) {
                fuse_req_t req = h.pendingRead;
                h.pendingRead = nullptr;
                fuse_reply_buf(req, reinterpret_cast<const char*>(report.data()),
                               std::min(report.size(), h.pendingSize));
                continue;
            }
            if (h.reports.size() == kQueueLimit) h.reports.pop_front();
            h.reports.push_back(report);
            wake(h);
        }
    }
    static void wake(Handle& h) {
        if (!h.poll) return;
        fuse_lowlevel_notify_poll(h.poll);
        fuse_pollhandle_destroy(h.poll);
        h.poll = nullptr;
    }

    // The unit's answers, each when it falls due.
    void deliverLoop() {
        std::unique_lock l(lock);
        while (!stopping) {
            if (!unit.hasAnswer()) {
                answersChanged.wait(l);
                continue;
            }
            const auto due = start + unit.nextDue();
            if (std::chrono::steady_clock::now() < due) {
                answersChanged.wait_until(l, due);
                continue;
            }
            const auto answer = unit.popAnswer();
            if (plugged) deliver(answer.bytes);
        }
    }
};

namespace {

FuseHidraw::State& stateOf(fuse_req_t req) {
    return *static_cast<FuseHidraw::State*>(fuse_req_userdata(req));
}

void fillAttributes(fuse_ino_t ino, struct stat& st) {
    st = {};
    st.st_ino = ino;
    if (ino == FUSE_ROOT_ID) {
        st.st_mode = S_IFDIR | 0755;
        st.st_nlink = 2;
    } else {
        st.st_mode = S_IFREG | 0666;
        st.st_nlink = 1;
    }
}

void opLookup(fuse_req_t req, fuse_ino_t parent, const char* name) {
    auto& s = stateOf(req);
    bool present = false;
    {
        std::lock_guard l(s.lock);
        present = parent == FUSE_ROOT_ID && s.name == name && s.plugged;
    }
    if (!present) {
        fuse_reply_err(req, ENOENT);
        return;
    }
    fuse_entry_param e{};
    e.ino = kNodeInode;
    fillAttributes(kNodeInode, e.attr);
    fuse_reply_entry(req, &e);  // no caching: a pulled node is gone at once
}

void opGetattr(fuse_req_t req, fuse_ino_t ino, fuse_file_info*) {
    struct stat st;
    fillAttributes(ino, st);
    fuse_reply_attr(req, &st, 0);
}

void opOpen(fuse_req_t req, fuse_ino_t ino, fuse_file_info* fi) {
    auto& s = stateOf(req);
    if (ino != kNodeInode) {
        fuse_reply_err(req, EISDIR);
        return;
    }
    std::lock_guard l(s.lock);
    if (!s.plugged) {
        fuse_reply_err(req, ENODEV);
        return;
    }
    fi->direct_io = 1;
    fi->nonseekable = 1;
    fi->fh = s.nextHandle++;
    s.handles[fi->fh].nonBlocking = (fi->flags & O_NONBLOCK) != 0;
    fuse_reply_open(req, fi);
}

void opRelease(fuse_req_t req, fuse_ino_t, fuse_file_info* fi) {
    auto& s = stateOf(req);
    {
        std::lock_guard l(s.lock);
        auto it = s.handles.find(fi->fh);
        if (it != s.handles.end()) {
            if (it->second.pendingRead) fuse_reply_err(it->second.pendingRead, EINTR);
            if (it->second.poll) fuse_pollhandle_destroy(it->second.poll);
            s.handles.erase(it);
        }
    }
    fuse_reply_err(req, 0);
}

void opRead(fuse_req_t req, fuse_ino_t, size_t size, off_t, fuse_file_info* fi) {
    auto& s = stateOf(req);
    {
        std::lock_guard l(s.lock);
        auto it = s.handles.find(fi->fh);
        if (it == s.handles.end()) {
            fuse_reply_err(req, EBADF);
            return;
        }
        Handle& h = it->second;
        if (!s.plugged) {
            fuse_reply_err(req, EIO);  // what hidraw answers once its device is gone
            return;
        }
        if (!h.reports.empty()) {
            const auto report = std::move(h.reports.front());
            h.reports.pop_front();
            fuse_reply_buf(req, reinterpret_cast<const char*>(report.data()),
                           std::min(report.size(), size));
            return;
        }
        if (h.nonBlocking) {
            fuse_reply_err(req, EAGAIN);
            return;
        }
        // Answered when a report comes, the node is pulled or the handle closed. (No interrupt
        // callback: a request may be answered before one could be registered.)
        h.pendingRead = req;
        h.pendingSize = size;
    }
}

void opWrite(fuse_req_t req, fuse_ino_t, const char* buf, size_t size, off_t, fuse_file_info*) {
    auto& s = stateOf(req);
    std::unique_lock l(s.lock);
    if (!s.plugged) {
        l.unlock();
        fuse_reply_err(req, ENODEV);
        return;
    }
    if (size < 2) {
        l.unlock();
        fuse_reply_err(req, EINVAL);
        return;
    }
    s.writeLengths.push_back(size);
    // As the USB HID driver does: a report number 0 is not sent to the device.
    std::span<const std::uint8_t> report(reinterpret_cast<const std::uint8_t*>(buf), size);
    if (report[0] == 0) report = report.subspan(1);
    s.unit.receive(report, s.now());
    s.answersChanged.notify_all();
    l.unlock();
    fuse_reply_write(req, size);
}

void opPoll(fuse_req_t req, fuse_ino_t, fuse_file_info* fi, fuse_pollhandle* ph) {
    auto& s = stateOf(req);
    unsigned events = POLLOUT | POLLWRNORM;
    {
        std::lock_guard l(s.lock);
        auto it = s.handles.find(fi->fh);
        if (it == s.handles.end()) {
            if (ph) fuse_pollhandle_destroy(ph);
            fuse_reply_err(req, EBADF);
            return;
        }
        Handle& h = it->second;
        if (ph) {
            if (h.poll) fuse_pollhandle_destroy(h.poll);
            h.poll = ph;
        }
        if (!h.reports.empty()) events |= POLLIN | POLLRDNORM;
        if (!s.plugged) events |= POLLERR | POLLHUP;
    }
    fuse_reply_poll(req, events);
}

void opIoctl(fuse_req_t req, fuse_ino_t, unsigned int cmd, void*, fuse_file_info*, unsigned flags,
             const void*, size_t, size_t outSize) {
    auto& s = stateOf(req);
    if (flags & FUSE_IOCTL_COMPAT) {
        fuse_reply_err(req, ENOSYS);
        return;
    }
    std::vector<std::uint8_t> descriptor;
    {
        std::lock_guard l(s.lock);
        if (!s.plugged) {
            fuse_reply_err(req, ENODEV);
            return;
        }
        descriptor = s.options.descriptor;
    }
    if (cmd == HIDIOCGRDESCSIZE) {
        const int size = static_cast<int>(descriptor.size());
        fuse_reply_ioctl(req, 0, &size, sizeof size);
    } else if (cmd == HIDIOCGRDESC) {
        hidraw_report_descriptor d{};
        d.size = static_cast<std::uint32_t>(descriptor.size());
        std::copy(descriptor.begin(), descriptor.end(), d.value);
        fuse_reply_ioctl(req, 0, &d, sizeof d);
    } else if (cmd == HIDIOCGRAWINFO) {
        hidraw_devinfo info{};
        info.bustype = 3;  // BUS_USB
        info.vendor = static_cast<__s16>(0x0483);
        info.product = static_cast<__s16>(0x690E);
        fuse_reply_ioctl(req, 0, &info, sizeof info);
    } else if (_IOC_TYPE(cmd) == 'H' && (_IOC_NR(cmd) == 0x04 || _IOC_NR(cmd) == 0x05)) {
        const std::string text = _IOC_NR(cmd) == 0x04 ? "Served unit" : "fuse-hidraw/input0";
        std::vector<char> out(std::min<std::size_t>(outSize, _IOC_SIZE(cmd)), '\0');
        std::copy_n(text.begin(), std::min(text.size(), out.empty() ? 0 : out.size() - 1),
                    out.begin());
        fuse_reply_ioctl(req, static_cast<int>(std::min(text.size() + 1, out.size())), out.data(),
                         out.size());
    } else {
        fuse_reply_err(req, ENOTTY);
    }
}

void opReaddir(fuse_req_t req, fuse_ino_t ino, size_t size, off_t off, fuse_file_info*) {
    auto& s = stateOf(req);
    if (ino != FUSE_ROOT_ID) {
        fuse_reply_err(req, ENOTDIR);
        return;
    }
    std::vector<std::string> names{".", ".."};
    {
        std::lock_guard l(s.lock);
        if (s.plugged) names.push_back(s.name);
    }
    std::vector<char> buf(size);
    std::size_t used = 0;
    for (std::size_t i = static_cast<std::size_t>(off); i < names.size(); ++i) {
        struct stat st;
        fillAttributes(i == 2 ? kNodeInode : FUSE_ROOT_ID, st);
        const std::size_t n = fuse_add_direntry(req, buf.data() + used, size - used,
                                                names[i].c_str(), &st, static_cast<off_t>(i + 1));
        if (n > size - used) break;
        used += n;
    }
    fuse_reply_buf(req, buf.data(), used);
}

const fuse_lowlevel_ops kOps = [] {
    fuse_lowlevel_ops ops{};
    ops.lookup = opLookup;
    ops.getattr = opGetattr;
    ops.open = opOpen;
    ops.release = opRelease;
    ops.read = opRead;
    ops.write = opWrite;
    ops.poll = opPoll;
    ops.ioctl = opIoctl;
    ops.readdir = opReaddir;
    return ops;
}();

void appendItem(std::vector<std::uint8_t>& d, std::uint8_t tag, int value, int bytes) {
    d.push_back(static_cast<std::uint8_t>(tag | (bytes == 2 ? 2 : 1)));
    d.push_back(static_cast<std::uint8_t>(value & 0xFF));
    if (bytes == 2) d.push_back(static_cast<std::uint8_t>((value >> 8) & 0xFF));
}

}  // namespace

FuseHidraw::FuseHidraw(const std::string& mountPoint, const std::string& name,
                       FuseHidrawOptions options)
    : m_state(std::make_unique<State>(std::move(options))) {
    State& s = *m_state;
    s.mountPoint = mountPoint;
    s.name = name;
    const char* argv[] = {"fuse-hidraw", "-o", "fsname=vortella-hidraw"};
    fuse_args args = FUSE_ARGS_INIT(3, const_cast<char**>(argv));
    s.session = fuse_session_new(&args, &kOps, sizeof kOps, &s);
    fuse_opt_free_args(&args);  // the session keeps what it needs
    if (!s.session) {
        s.why = "the FUSE session could not be made";
        return;
    }
    if (fuse_session_mount(s.session, mountPoint.c_str()) != 0) {
        s.why =
            "FUSE cannot mount on " + mountPoint + " (is /dev/fuse there, and fuse3 installed?)";
        fuse_session_destroy(s.session);
        s.session = nullptr;
        return;
    }
    s.loop = std::thread([&s] { fuse_session_loop(s.session); });
    s.deliverer = std::thread([&s] { s.deliverLoop(); });
}

FuseHidraw::~FuseHidraw() {
    State& s = *m_state;
    {
        std::lock_guard l(s.lock);
        s.stopping = true;
        for (auto& [id, h] : s.handles) {
            if (h.pendingRead) fuse_reply_err(h.pendingRead, EINTR);
            h.pendingRead = nullptr;
        }
    }
    s.answersChanged.notify_all();
    if (s.deliverer.joinable()) s.deliverer.join();
    if (!s.session) return;
    fuse_session_exit(s.session);
    fuse_session_unmount(s.session);
    if (s.loop.joinable()) s.loop.join();
    fuse_session_destroy(s.session);
}

bool FuseHidraw::isMounted() const {
    return m_state->session != nullptr;
}
std::string FuseHidraw::why() const {
    return m_state->why;
}
std::string FuseHidraw::path() const {
    return m_state->mountPoint + "/" + m_state->name;
}

void FuseHidraw::pull() {
    State& s = *m_state;
    std::lock_guard l(s.lock);
    s.plugged = false;
    s.unit.unplug();
    for (auto& [id, h] : s.handles) {
        if (h.pendingRead) fuse_reply_err(h.pendingRead, EIO);
        h.pendingRead = nullptr;
        h.reports.clear();
        State::wake(h);
    }
}

void FuseHidraw::plug() {
    State& s = *m_state;
    std::lock_guard l(s.lock);
    s.unit.replug();
    s.plugged = true;
}

std::vector<std::size_t> FuseHidraw::writeLengths() const {
    std::lock_guard l(m_state->lock);
    return m_state->writeLengths;
}
std::size_t FuseHidraw::reportsWritten() const {
    std::lock_guard l(m_state->lock);
    return m_state->writeLengths.size();
}
int FuseHidraw::openHandles() const {
    std::lock_guard l(m_state->lock);
    return static_cast<int>(m_state->handles.size());
}
std::vector<std::pair<int, int>> FuseHidraw::unitWrites() const {
    std::lock_guard l(m_state->lock);
    std::vector<std::pair<int, int>> out;
    for (const auto& h : m_state->unit.heard())
        if (h.kind == sim::UnitRequest::Kind::Command && h.command == 0xA7 && h.address != 0x3A)
            out.emplace_back(h.address, h.value);
    return out;
}
int FuseHidraw::unitValue(int address) const {
    std::lock_guard l(m_state->lock);
    return m_state->unit.image().at(address);
}
int FuseHidraw::unitImagePackets() const {
    std::lock_guard l(m_state->lock);
    int n = 0;
    for (const auto& h : m_state->unit.heard())
        if (h.kind == sim::UnitRequest::Kind::ImagePacket) ++n;
    return n;
}

double FuseHidraw::cpuSeconds() const {
    double total = 0.0;
    for (std::thread* t : {&m_state->loop, &m_state->deliverer}) {
        clockid_t clock{};
        timespec ts{};
        if (t->joinable() && pthread_getcpuclockid(t->native_handle(), &clock) == 0 &&
            clock_gettime(clock, &ts) == 0)
            total += static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
    }
    return total;
}

std::vector<std::uint8_t> unitDescriptor(int dataBytes, bool numbered) {
    std::vector<std::uint8_t> d;
    appendItem(d, 0x04, 0xFF00, 2);  // Usage Page (vendor)
    appendItem(d, 0x08, 0x01, 1);    // Usage
    appendItem(d, 0xA0, 0x01, 1);    // Collection (Application)
    for (int id : {1, 2}) {
        if (!numbered && id == 2) break;
        if (numbered) appendItem(d, 0x84, id, 1);  // Report ID
        appendItem(d, 0x74, 8, 1);                 // Report Size 8
        appendItem(d, 0x94, dataBytes, 1);         // Report Count
        appendItem(d, 0x08, 0x01, 1);              // Usage
        appendItem(d, 0x80, 0x02, 1);              // Input (Data, Variable)
        appendItem(d, 0x08, 0x01, 1);              // Usage
        appendItem(d, 0x90, 0x02, 1);              // Output (Data, Variable)
    }
    d.push_back(0xC0);  // End Collection
    return d;
}

}  // namespace vt::test
