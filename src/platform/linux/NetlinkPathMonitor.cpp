#include "platform/linux/NetlinkPathMonitor.h"

#include <ifaddrs.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <thread>

namespace tarsel {
namespace {

bool hasUsableIPv4() {
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return false;
    bool found = false;
    for (ifaddrs* a = list; a && !found; a = a->ifa_next) {
        found = a->ifa_addr && a->ifa_addr->sa_family == AF_INET && (a->ifa_flags & IFF_UP) &&
                !(a->ifa_flags & IFF_LOOPBACK);
    }
    freeifaddrs(list);
    return found;
}

class NetlinkWatch : public PathWatch {
  public:
    explicit NetlinkWatch(std::function<void(bool)> onUpdate) : onUpdate_(std::move(onUpdate)) {
        wake_ = eventfd(0, EFD_CLOEXEC);
        sock_ = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
        sockaddr_nl addr{};
        addr.nl_family = AF_NETLINK;
        addr.nl_groups = RTMGRP_LINK | RTMGRP_IPV4_IFADDR;
        if (sock_ >= 0 && bind(sock_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
            close(sock_);
            sock_ = -1;
        }
        thread_ = std::thread([this] { loop(); });
    }

    ~NetlinkWatch() override {
        uint64_t one = 1;
        if (wake_ >= 0) (void)!write(wake_, &one, sizeof one);
        if (thread_.joinable()) thread_.join();
        if (sock_ >= 0) close(sock_);
        if (wake_ >= 0) close(wake_);
    }

  private:
    void loop() {
        onUpdate_(hasUsableIPv4());  // like any path monitor: the present path first
        while (sock_ >= 0) {
            pollfd fds[2] = {{sock_, POLLIN, 0}, {wake_, POLLIN, 0}};
            if (poll(fds, 2, -1) < 0) continue;
            if (fds[1].revents) return;
            if (fds[0].revents && drainMatters()) onUpdate_(hasUsableIPv4());
        }
    }

    // Reads one batch of messages; true when one concerns a non-loopback interface.
    bool drainMatters() {
        char buf[16384];
        ssize_t n = recv(sock_, buf, sizeof buf, 0);
        bool matters = false;
        for (auto* h = reinterpret_cast<nlmsghdr*>(buf); n > 0 && NLMSG_OK(h, n);
             h = NLMSG_NEXT(h, n)) {
            if (h->nlmsg_type == RTM_NEWLINK || h->nlmsg_type == RTM_DELLINK) {
                auto* info = static_cast<ifinfomsg*>(NLMSG_DATA(h));
                matters |= !(info->ifi_flags & IFF_LOOPBACK);
            } else if (h->nlmsg_type == RTM_NEWADDR || h->nlmsg_type == RTM_DELADDR) {
                auto* ifa = static_cast<ifaddrmsg*>(NLMSG_DATA(h));
                char name[IF_NAMESIZE] = {};
                matters |= if_indextoname(ifa->ifa_index, name) && std::string(name) != "lo";
            }
        }
        return matters;
    }

    std::function<void(bool)> onUpdate_;
    int sock_ = -1;
    int wake_ = -1;
    std::thread thread_;
};

}  // namespace

std::unique_ptr<PathWatch> NetlinkPathMonitor::start(std::function<void(bool)> onUpdate) {
    return std::make_unique<NetlinkWatch>(std::move(onUpdate));
}

}  // namespace tarsel
