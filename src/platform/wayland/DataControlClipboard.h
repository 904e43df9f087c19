#pragma once
// The Wayland clipboard through data-control (wlroots, KWin): the agent owns
// the selection itself, so it serves the text and sees the application read
// it, with or without XWayland.
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "platform/Clipboard.h"

struct zwlr_data_control_manager_v1;
struct zwlr_data_control_device_v1;
struct zwlr_data_control_source_v1;

namespace tarsel {

class WaylandConnection;

class DataControlClipboard : public Clipboard {
  public:
    // Null when the compositor offers no data-control.
    static std::unique_ptr<DataControlClipboard> open(std::shared_ptr<WaylandConnection> c);
    ~DataControlClipboard() override;
    DataControlClipboard(const DataControlClipboard&) = delete;
    DataControlClipboard& operator=(const DataControlClipboard&) = delete;

    void setText(const std::string& utf8) override;
    // Where the compositor speaks data-control 2 (primary selections).
    bool setTextAndPrimary(const std::string& utf8) override;
    // The text while the agent still owns the selection, else "": reading
    // another client's selection would wait on that client.
    std::string text() override;
    bool seesReads() const override { return true; }
    void onNextRead(std::function<void()> done) override;

    // The source's events, from the connection's executor.
    void send(zwlr_data_control_source_v1* source, int fd);
    void cancelled(zwlr_data_control_source_v1* source);

  private:
    DataControlClipboard(std::shared_ptr<WaylandConnection> c, zwlr_data_control_manager_v1* m,
                         zwlr_data_control_device_v1* d)
        : connection_(std::move(c)), manager_(m), device_(d) {}

    std::shared_ptr<WaylandConnection> connection_;
    zwlr_data_control_manager_v1* manager_;
    zwlr_data_control_device_v1* device_;
    std::mutex mutex_;
    zwlr_data_control_source_v1* newSource();  // caller holds mutex_

    zwlr_data_control_source_v1* source_ = nullptr;   // the selection while we own it
    zwlr_data_control_source_v1* primary_ = nullptr;  // and the primary selection
    std::string text_;
    std::function<void()> onRead_;
};

}  // namespace tarsel
