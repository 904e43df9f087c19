#include "platform/record/ActionFollower.h"

#include <chrono>
#include <fstream>

namespace tarsel {
namespace {

constexpr auto kPollInterval = std::chrono::milliseconds(50);

}  // namespace

ActionFollower::ActionFollower(std::string path, LineHandler onLine)
    : path_(std::move(path)), onLine_(std::move(onLine)) {
    thread_ = std::jthread([this](std::stop_token stop) { follow(stop); });
}

ActionFollower::~ActionFollower() {
    thread_.request_stop();
    if (thread_.joinable()) thread_.join();
}

void ActionFollower::follow(std::stop_token stop) {
    std::streamoff offset = 0;
    std::string partial;
    while (!stop.stop_requested()) {
        std::ifstream in(path_, std::ios::binary);
        if (in) {
            in.seekg(0, std::ios::end);
            std::streamoff size = in.tellg();
            if (size < offset) offset = 0, partial.clear();
            in.seekg(offset);
            std::string chunk(static_cast<size_t>(size - offset), '\0');
            in.read(chunk.data(), static_cast<std::streamsize>(chunk.size()));
            chunk.resize(static_cast<size_t>(in.gcount()));
            offset += static_cast<std::streamoff>(chunk.size());
            partial += chunk;
            size_t newline;
            while ((newline = partial.find('\n')) != std::string::npos) {
                std::string line = partial.substr(0, newline);
                partial.erase(0, newline + 1);
                if (!line.empty() && line.back() == '\r') line.pop_back();
                if (!line.empty()) onLine_(line);
            }
        }
        std::this_thread::sleep_for(kPollInterval);
    }
}

}  // namespace tarsel
