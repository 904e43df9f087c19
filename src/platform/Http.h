#pragma once
#include <atomic>
#include <string>

namespace tarsel {

struct HttpResponse {
    bool ok = false;       // a response arrived
    long status = 0;       // HTTP status
    std::string body;
    std::string error;     // description when !ok
};

class Http {
public:
    virtual ~Http() = default;
    virtual HttpResponse get(const std::string& url, double timeoutSeconds) = 0;
    // Streams the body into `path`; `cancel` set to true stops it.
    virtual HttpResponse download(const std::string& url, const std::string& path,
                                  double timeoutSeconds, const std::atomic<bool>& cancel) = 0;
};

}  // namespace tarsel
