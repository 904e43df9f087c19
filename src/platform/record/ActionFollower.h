#pragma once
// Follows a text file as `tail -f` does and hands every new complete line to a
// callback, on the follower's own thread. A file that is missing, or shrinks,
// is waited for / read again from its start.
#include <functional>
#include <string>
#include <thread>

namespace tarsel {

class ActionFollower {
  public:
    using LineHandler = std::function<void(const std::string&)>;
    ActionFollower(std::string path, LineHandler onLine);
    ~ActionFollower();  // stops and joins

  private:
    void follow(std::stop_token stop);
    std::string path_;
    LineHandler onLine_;
    std::jthread thread_;
};

}  // namespace tarsel
