#include "platform/wayland/DataControlClipboard.h"

#include <utility>

#include "platform/posix/PipeWriter.h"
#include "platform/wayland/WaylandConnection.h"
#include "wlr-data-control-unstable-v1.h"

namespace tarsel {
namespace {

// What toolkits ask for, in their order of preference.
constexpr const char* kTextTypes[] = {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING",
                                      "TEXT", "STRING"};

const zwlr_data_control_source_v1_listener kSourceListener = {
    [](void* data, zwlr_data_control_source_v1* source, const char*, int32_t fd) {
        static_cast<DataControlClipboard*>(data)->send(source, fd);
    },
    [](void* data, zwlr_data_control_source_v1* source) {
        static_cast<DataControlClipboard*>(data)->cancelled(source);
    },
};

// Others' selections are offered to every data-control client; the agent
// reads none, so each offer goes at once.
void dropOffer(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
    if (offer) zwlr_data_control_offer_v1_destroy(offer);
}

const zwlr_data_control_device_v1_listener kDeviceListener = {
    [](void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {},
    dropOffer,
    [](void*, zwlr_data_control_device_v1*) {},
    dropOffer,
};

}  // namespace

std::unique_ptr<DataControlClipboard> DataControlClipboard::open(
    std::shared_ptr<WaylandConnection> c) {
    auto* manager = static_cast<zwlr_data_control_manager_v1*>(
        c->bind(&zwlr_data_control_manager_v1_interface, 2));
    if (!manager || !c->seat()) return nullptr;
    auto* device = zwlr_data_control_manager_v1_get_data_device(manager, c->seat());
    std::unique_ptr<DataControlClipboard> clipboard(
        new DataControlClipboard(std::move(c), manager, device));
    zwlr_data_control_device_v1_add_listener(device, &kDeviceListener, clipboard.get());
    return clipboard;
}

DataControlClipboard::~DataControlClipboard() {
    std::lock_guard lock(mutex_);
    if (source_) zwlr_data_control_source_v1_destroy(source_);
    zwlr_data_control_device_v1_destroy(device_);
    zwlr_data_control_manager_v1_destroy(manager_);
    connection_->flush();
}

zwlr_data_control_source_v1* DataControlClipboard::newSource() {
    auto* source = zwlr_data_control_manager_v1_create_data_source(manager_);
    zwlr_data_control_source_v1_add_listener(source, &kSourceListener, this);
    for (const char* type : kTextTypes) zwlr_data_control_source_v1_offer(source, type);
    return source;
}

// A source it replaces is told so and destroyed then, on the connection's
// executor: only that thread sees its events.
void DataControlClipboard::setText(const std::string& utf8) {
    std::lock_guard lock(mutex_);
    source_ = newSource();
    zwlr_data_control_device_v1_set_selection(device_, source_);
    primary_ = nullptr;  // an older primary still owned is no longer served
    text_ = utf8;
    connection_->flush();
}

bool DataControlClipboard::setTextAndPrimary(const std::string& utf8) {
    if (zwlr_data_control_device_v1_get_version(device_) <
        ZWLR_DATA_CONTROL_DEVICE_V1_SET_PRIMARY_SELECTION_SINCE_VERSION) {
        setText(utf8);
        return false;
    }
    std::lock_guard lock(mutex_);
    source_ = newSource();
    primary_ = newSource();
    zwlr_data_control_device_v1_set_selection(device_, source_);
    zwlr_data_control_device_v1_set_primary_selection(device_, primary_);
    text_ = utf8;
    connection_->flush();
    return true;
}

std::string DataControlClipboard::text() {
    std::lock_guard lock(mutex_);
    return source_ ? text_ : "";
}

void DataControlClipboard::onNextRead(std::function<void()> done) {
    std::lock_guard lock(mutex_);
    onRead_ = std::move(done);
}

// The read ends when the reader has taken the whole text.
void DataControlClipboard::send(zwlr_data_control_source_v1* source, int fd) {
    std::lock_guard lock(mutex_);
    UniqueFd pipe(fd);
    if (source != source_ && source != primary_) return;  // a selection replaced since
    writeThenClose(connection_->executor(), std::move(pipe), text_,
                   [done = std::exchange(onRead_, nullptr)](bool) {
                       if (done) done();
                   });
}

void DataControlClipboard::cancelled(zwlr_data_control_source_v1* source) {
    std::lock_guard lock(mutex_);
    zwlr_data_control_source_v1_destroy(source);
    if (source == source_) source_ = nullptr;
    if (source == primary_) primary_ = nullptr;
}

}  // namespace tarsel
