#include "platform/linux/AvahiAdvertiser.h"

#include <avahi-client/client.h>
#include <avahi-client/publish.h>
#include <avahi-common/alternative.h>
#include <avahi-common/error.h>
#include <avahi-common/malloc.h>
#include <avahi-common/thread-watch.h>

#include <string>

#include "runtime/Log.h"
#include "runtime/Text.h"

namespace tarsel {
namespace {

// Avahi wants the type without the trailing dot and the domain without it too.
std::string withoutTrailingDot(std::string s) {
    if (!s.empty() && s.back() == '.') s.pop_back();
    return s;
}

class AvahiAdvertisement : public Advertisement {
  public:
    AvahiAdvertisement(std::string domain, std::string type, std::string name, uint16_t port)
        : domain_(withoutTrailingDot(std::move(domain))),
          type_(withoutTrailingDot(std::move(type))),
          name_(std::move(name)),
          port_(port) {}

    bool start() {
        poll_ = avahi_threaded_poll_new();
        if (!poll_) return false;
        int error = 0;
        client_ = avahi_client_new(avahi_threaded_poll_get(poll_), AVAHI_CLIENT_NO_FAIL,
                                   &AvahiAdvertisement::onClient, this, &error);
        if (!client_) {
            logLine(
                tr("⚠️ [mDNS] the Avahi client could not be made: {1}", avahi_strerror(error)));
            return false;
        }
        return avahi_threaded_poll_start(poll_) == 0;
    }

    ~AvahiAdvertisement() override {
        if (poll_) avahi_threaded_poll_stop(poll_);
        if (client_) avahi_client_free(client_);  // frees the group too
        if (poll_) avahi_threaded_poll_free(poll_);
    }

  private:
    static void onClient(AvahiClient* c, AvahiClientState state, void* self) {
        static_cast<AvahiAdvertisement*>(self)->clientChanged(c, state);
    }
    static void onGroup(AvahiEntryGroup* g, AvahiEntryGroupState state, void* self) {
        static_cast<AvahiAdvertisement*>(self)->groupChanged(g, state);
    }

    void clientChanged(AvahiClient* c, AvahiClientState state) {
        client_ = c;  // the callback can run before avahi_client_new returns
        if (state == AVAHI_CLIENT_S_RUNNING) {
            addService();
        } else if (state == AVAHI_CLIENT_S_COLLISION || state == AVAHI_CLIENT_S_REGISTERING) {
            if (group_) avahi_entry_group_reset(group_);
        } else if (state == AVAHI_CLIENT_CONNECTING) {
            // The daemon is not running, or went away with its groups. Publish
            // afresh when it is back.
            if (!saidWaiting_)
                logLine(
                    tr("⚠️ [mDNS] avahi-daemon is not running: advertising starts once it "
                       "runs (the phone app can still find this computer by its address)"));
            saidWaiting_ = true;
            if (group_) avahi_entry_group_free(group_);
            group_ = nullptr;
        } else if (state == AVAHI_CLIENT_FAILURE) {
            logLine(tr("⚠️ [mDNS] Avahi error: {1}", avahi_strerror(avahi_client_errno(c))));
        }
    }

    void groupChanged(AvahiEntryGroup* g, AvahiEntryGroupState state) {
        if (state == AVAHI_ENTRY_GROUP_COLLISION) return rename();
        if (state == AVAHI_ENTRY_GROUP_ESTABLISHED) {
            saidWaiting_ = false;
            return logAdvertised(name_, port_);
        }
        if (state == AVAHI_ENTRY_GROUP_FAILURE)
            logLine(tr("⚠️ [mDNS] Avahi refused the advertisement: {1}",
                       avahi_strerror(avahi_client_errno(avahi_entry_group_get_client(g)))));
    }

    void rename() {
        char* alt = avahi_alternative_service_name(name_.c_str());
        name_ = alt;
        avahi_free(alt);
        avahi_entry_group_reset(group_);
        addService();
    }

    void addService() {
        if (!group_) group_ = avahi_entry_group_new(client_, &AvahiAdvertisement::onGroup, this);
        if (!group_ || !avahi_entry_group_is_empty(group_)) return;
        // IPv4 only, as the agent listens: an IPv6 record would send phones to
        // a port on which any other local user may be listening.
        int rc = avahi_entry_group_add_service(group_, AVAHI_IF_UNSPEC, AVAHI_PROTO_INET,
                                               AvahiPublishFlags(0), name_.c_str(), type_.c_str(),
                                               domain_.c_str(), nullptr, port_, nullptr);
        if (rc == AVAHI_ERR_COLLISION) return rename();
        if (rc == 0) avahi_entry_group_commit(group_);
    }

    std::string domain_, type_, name_;
    uint16_t port_;
    AvahiThreadedPoll* poll_ = nullptr;
    AvahiClient* client_ = nullptr;
    AvahiEntryGroup* group_ = nullptr;
    bool saidWaiting_ = false;  // once per absence of the daemon
};

}  // namespace

std::unique_ptr<Advertisement> AvahiAdvertiser::publish(const std::string& domain,
                                                        const std::string& type,
                                                        const std::string& name, uint16_t port) {
    auto ad = std::make_unique<AvahiAdvertisement>(domain, type, name, port);
    ad->start();
    return ad;
}

}  // namespace tarsel
