#include "sim/sim_server.h"

#include "platform/connection_table.h"
#include "platform/diagnostics.h"
#include "platform/event_loop.h"
#include "platform/unix_socket.h"
#include "service/device/sim_link_protocol.h"
#include "service/device/sim_transport.h"
#include "sim/memory_file.h"
#include "sim/mouse_memory.h"
#include "sim/sim_commands.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <map>

namespace sim {
namespace {

using platform::sendAll;

class Server {
public:
    Server(std::string memoryPath, std::string socketPath, std::vector<uint8_t> image)
        : memoryPath_(std::move(memoryPath)), socketPath_(std::move(socketPath)), mouse_(image) {
        savedChange_ = mouse_.changeCount();
    }

    ~Server() {
        for (auto& [fd, client] : clients_) ::close(fd);
        if (listenFd_ >= 0) ::close(listenFd_);
        if (ownsSocket_) {
            struct stat st {};
            if (::stat(socketPath_.c_str(), &st) == 0 && st.st_ino == socketInode_) ::unlink(socketPath_.c_str());
        }
    }

    // SIGTERM and SIGINT make run() return (the memory is saved after it).
    bool start() {
        if (!loop_.valid() || !loop_.handleTerminationSignals()) return false;
        if (!listen()) return false;
        return table_.listen(listenFd_);
    }

    void run() {
        loop_.run();
        saveNow();
    }

private:
    struct Client {
        simlink::FrameReader reader;
        uint8_t role = 0;
    };

    // The socket is bound under a temporary name and renamed into place once it listens, so a
    // client that sees the name appear can connect at once.
    bool listen() {
        std::string temp = socketPath_ + "." + std::to_string(::getpid());
        sockaddr_un addr;
        if (!platform::unixAddress(temp, addr)) {
            std::fprintf(stderr, "mousesim: socket path too long: %s\n", socketPath_.c_str());
            return false;
        }
        listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
        ::unlink(temp.c_str());
        if (listenFd_ < 0 || ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 ||
            ::listen(listenFd_, 16) != 0 || ::rename(temp.c_str(), socketPath_.c_str()) != 0) {
            std::fprintf(stderr, "mousesim: cannot listen on %s: %s\n", socketPath_.c_str(), std::strerror(errno));
            ::unlink(temp.c_str());
            return false;
        }
        struct stat st {};
        if (::stat(socketPath_.c_str(), &st) == 0) socketInode_ = st.st_ino;
        ownsSocket_ = true;
        return true;
    }

    void drop(int fd) {
        loop_.unwatch(fd);
        ::close(fd);
        clients_.erase(fd);
        table_.remove(fd);
    }

    // A new connection from a peer of this user (connection_table.h refuses the others).
    bool adopt(int fd) {
        timeval timeout{2, 0};  // a client that stops reading cannot stall the mouse for long
        ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &timeout, sizeof timeout);
        clients_[fd] = Client{};
        if (loop_.watchReadable(fd, [this, fd] { receive(fd); })) return true;
        clients_.erase(fd);
        return false;
    }

    // Everything a client sends may change the memory; changes not yet in the file are saved by
    // the delayed save.
    void receive(int fd) {
        receiveFrom(fd);
        persist();
    }

    void receiveFrom(int fd) {
        auto it = clients_.find(fd);
        if (it == clients_.end()) return;
        uint8_t buffer[4096];
        ssize_t n = ::recv(fd, buffer, sizeof buffer, MSG_DONTWAIT);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) return;
        if (n <= 0) {
            drop(fd);
            return;
        }
        table_.touch(fd);
        it->second.reader.feed(buffer, static_cast<size_t>(n));
        simlink::Frame frame;
        while (clients_.count(fd) && clients_[fd].reader.next(frame))
            if (!handle(fd, frame)) {
                drop(fd);
                return;
            }
        if (clients_.count(fd) && clients_[fd].reader.broken()) {
            platform::debugLine("mousesim: malformed data from a client, connection dropped");
            drop(fd);
        }
    }

    // Returns false when the client is to be dropped.
    bool handle(int fd, const simlink::Frame& frame) {
        Client& client = clients_[fd];
        switch (frame.type) {
            case simlink::FrameType::Hello:
                if (frame.payload.size() != 1 || client.role != 0) return false;
                client.role = frame.payload[0];
                if (client.role == simlink::kRoleLink) {
                    table_.keep(fd);  // the service's link mostly listens: never idle
                    return sendAll(fd, simlink::encodeFrame(simlink::FrameType::LinkState,
                                                            simlink::encodeLinkState(state())));
                }
                return client.role == simlink::kRoleControl;
            case simlink::FrameType::Output:
            case simlink::FrameType::SetFeature:
            case simlink::FrameType::GetFeature: {
                simlink::Transfer t;
                if (client.role != simlink::kRoleLink || !simlink::decodeTransfer(frame.payload, t)) return false;
                // A stalled mouse takes the request and never answers: the service's wait runs out.
                if (frame.type == simlink::FrameType::GetFeature && mouse_.faults().stallReads) return true;
                simlink::Reply reply;
                reply.seq = t.seq;
                reply.ok = transfer(frame.type, t, reply.report);
                return sendAll(fd, simlink::encodeFrame(simlink::FrameType::Reply, simlink::encodeReply(reply)));
            }
            case simlink::FrameType::Control: {
                std::vector<std::string> words;
                if (client.role != simlink::kRoleControl || !simlink::decodeControl(frame.payload, words)) return false;
                simlink::ControlReply reply = control(words);
                sendAll(fd, simlink::encodeFrame(simlink::FrameType::ControlReply, simlink::encodeControlReply(reply)));
                return false;  // one command per connection
            }
            default:
                return false;
        }
    }

    simlink::LinkState state() const {
        simlink::LinkState s;
        s.plugged = plugged_;
        if (plugged_) {
            s.consumerId = consumerId_;
            s.configId = configId_;
        }
        return s;
    }

    bool transfer(simlink::FrameType type, const simlink::Transfer& t, std::vector<uint8_t>& answer) {
        if (!plugged_) return false;
        if (type == simlink::FrameType::Output) {
            if (t.deviceId != consumerId_) {
                platform::debugPrintf("mousesim: output report to device id %x refused (consumer is %x)",
                                      t.deviceId, consumerId_);
                return false;
            }
            return mouse_.output(t.report.data(), t.report.size());
        }
        if (t.deviceId != configId_) {
            platform::debugPrintf("mousesim: feature report to device id %x refused (configuration is %x)",
                                  t.deviceId, configId_);
            return false;
        }
        if (type == simlink::FrameType::SetFeature) {
            bool wasOpen = mouse_.sessionOpen();
            bool ok = mouse_.setFeature(t.report.data(), t.report.size());
            if (wasOpen && !mouse_.sessionOpen()) saveNow();  // a finished batch reaches the file at once
            return ok;
        }
        answer = t.report;
        return mouse_.getFeature(answer.data(), answer.size());
    }

    void broadcastState() {
        auto frame = simlink::encodeFrame(simlink::FrameType::LinkState, simlink::encodeLinkState(state()));
        broadcast(frame);
    }

    void broadcast(const std::vector<uint8_t>& frame) {
        std::vector<int> failed;
        for (auto& [fd, client] : clients_)
            if (client.role == simlink::kRoleLink && !sendAll(fd, frame)) failed.push_back(fd);
        for (int fd : failed) drop(fd);
    }

    int linkClients() const {
        int n = 0;
        for (auto& [fd, client] : clients_) n += client.role == simlink::kRoleLink;
        return n;
    }

    simlink::ControlReply control(const std::vector<std::string>& words) {
        Command command;
        std::string error;
        if (!parseCommand(words, command, error)) return {1, error + "\n"};
        switch (command.kind) {
            case CommandKind::Plug:
                if (plugged_) return {0, ""};
                plug();
                broadcastState();
                return {0, ""};
            case CommandKind::Unplug:
                if (!plugged_) return {0, ""};
                plugged_ = false;
                broadcastState();
                saveNow();
                return {0, ""};
            case CommandKind::Dump: {
                std::vector<uint8_t> bytes;
                if (!mouse_.peek(command.address, command.length, bytes))
                    return {1, "the range leaves the memory (8192 bytes)\n"};
                return {0, formatHexBytes(bytes) + "\n"};
            }
            case CommandKind::Poke:
                if (!mouse_.poke(command.address, command.bytes.data(), command.bytes.size()))
                    return {1, "the range leaves the memory (8192 bytes)\n"};
                saveNow();
                return {0, ""};
            case CommandKind::Report:
                if (!plugged_) return {1, "the mouse is unplugged\n"};
                if (linkClients() == 0) return {1, "no service is connected to the mouse\n"};
                for (uint32_t i = 0; i < command.count && linkClients() > 0; ++i)
                    broadcast(simlink::encodeFrame(simlink::FrameType::Input, command.bytes));
                return {0, ""};
            case CommandKind::Stats:
                return {0, formatCounters(mouse_.counters())};
            case CommandKind::ResetStats:
                mouse_.resetCounters();
                return {0, ""};
            case CommandKind::Fault: {
                Faults& f = mouse_.faults();
                switch (command.fault) {
                    case FaultKind::DropWrites: f.dropWrites = command.count; break;
                    case FaultKind::CorruptWrites: f.corruptWrites = command.count; break;
                    case FaultKind::StallReads: f.stallReads = true; break;
                    case FaultKind::Clear: f = Faults{}; break;
                    case FaultKind::Show: return {0, formatFaults(f)};
                }
                return {0, ""};
            }
        }
        return {1, "unknown command\n"};
    }

public:
    // Every plug gives the collections new ids, as the kernel does for a re-plugged device.
    void plug() {
        ++plugCount_;
        uint32_t base = (2 * (plugCount_ - 1)) % 0xFFFE;
        consumerId_ = static_cast<uint16_t>(base + 1);
        configId_ = static_cast<uint16_t>(base + 2);
        plugged_ = true;
    }

private:
    // Arms the one-shot save timer while the memory holds changes the file lacks. A save that
    // failed is tried again one delay later.
    void persist() {
        if (mouse_.changeCount() == savedChange_ || saveTimer_ != 0) return;
        saveTimer_ = loop_.addTimer(kSaveDelayMs, false, [this] {
            saveTimer_ = 0;
            saveNow();
            persist();
        });
        if (saveTimer_ == 0) saveNow();
    }

    void saveNow() {
        if (mouse_.changeCount() == savedChange_) return;
        if (!saveMemoryFile(memoryPath_, mouse_.image())) return;
        savedChange_ = mouse_.changeCount();
        if (saveTimer_ != 0) {  // nothing left for the delayed save
            loop_.cancelTimer(saveTimer_);
            saveTimer_ = 0;
        }
    }

    platform::EventLoop loop_;
    std::string memoryPath_;
    std::string socketPath_;
    MouseMemory mouse_;
    uint64_t savedChange_ = 0;
    std::map<int, Client> clients_;
    // Idle and excess clients (any program can connect and wait) never lock the mouse away.
    platform::ConnectionTable table_{loop_, "mousesim", {64, 30000, false}, [this](int fd) { return adopt(fd); },
                                     [this](int fd) { drop(fd); }};
    int listenFd_ = -1;
    bool ownsSocket_ = false;
    ino_t socketInode_ = 0;
    platform::Reactor::TimerId saveTimer_ = 0;  // 0 while no delayed save is pending
    bool plugged_ = false;
    uint32_t plugCount_ = 0;
    uint16_t consumerId_ = 0, configId_ = 0;
};

}  // namespace

int runServer(const ServerOptions& options) {
    std::string socketPath = simSocketPath();
    if (socketPath.empty()) {
        std::fprintf(stderr, "mousesim: no usable runtime folder\n");
        return 1;
    }
    // One mouse per runtime folder: the lock is held for the process's life.
    std::string lockPath = socketPath.substr(0, socketPath.rfind('/')) + "/mousesim.lock";
    int lockFd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (lockFd < 0 || ::flock(lockFd, LOCK_EX | LOCK_NB) != 0) {
        std::fprintf(stderr, "mousesim: a mouse is already running\n");
        if (lockFd >= 0) ::close(lockFd);
        return 1;
    }
    std::string memoryPath = options.memoryPath.empty() ? defaultMemoryPath() : options.memoryPath;
    std::vector<uint8_t> image;
    std::string error;
    if (!loadMemoryFile(memoryPath, image, error)) {
        std::fprintf(stderr, "mousesim: %s\n", error.c_str());
        ::close(lockFd);
        return 1;
    }
    int status = 1;
    {
        Server server(memoryPath, socketPath, image);
        server.plug();  // the mouse starts plugged, so the service finds it at once
        if (server.start()) {
            server.run();
            status = 0;
        }
    }
    ::close(lockFd);
    return status;
}

int runClient(const std::vector<std::string>& words) {
    Command command;
    std::string error;
    if (!parseCommand(words, command, error)) {
        std::fprintf(stderr, "mousesim: %s\n", error.c_str());
        return 2;
    }
    int fd = platform::connectUnix(simSocketPath(), SOCK_STREAM);
    if (fd < 0) {
        std::fprintf(stderr, "mousesim: no mouse is running\n");
        return 1;
    }
    timeval timeout{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
    bool sent = sendAll(fd, simlink::encodeFrame(simlink::FrameType::Hello, {simlink::kRoleControl})) &&
                sendAll(fd, simlink::encodeFrame(simlink::FrameType::Control, simlink::encodeControl(words)));
    simlink::FrameReader reader;
    simlink::Frame frame;
    bool answered = false;
    while (sent && !answered) {
        uint8_t buffer[4096];
        ssize_t n = ::recv(fd, buffer, sizeof buffer, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        reader.feed(buffer, static_cast<size_t>(n));
        answered = reader.next(frame) && frame.type == simlink::FrameType::ControlReply;
        if (reader.broken()) break;
    }
    ::close(fd);
    simlink::ControlReply reply;
    if (!answered || !simlink::decodeControlReply(frame.payload, reply)) {
        std::fprintf(stderr, "mousesim: no answer from the mouse\n");
        return 1;
    }
    std::fputs(reply.text.c_str(), reply.status == 0 ? stdout : stderr);
    return reply.status;
}

}  // namespace sim
