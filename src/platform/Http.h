#pragma once
#include <atomic>
#include <cstddef>
#include <string>

#include "runtime/Result.h"

namespace tarsel {

// A response that arrived; a transfer that failed is a Result failure instead.
struct HttpResponse {
    long status = 0;  // HTTP status
    std::string body;
};

// A body `get` accepts; a real manifest is well under 4 KB.
inline constexpr std::size_t kMaxDocumentBytes = 64 * 1024;

// Time-outs are idle intervals: a transfer that still flows is never cut (the
// caller bounds the whole). Redirects are followed only on the first address's
// scheme, host and port, at most 10 of them.
class Http {
  public:
    virtual ~Http() = default;
    // A larger body than kMaxDocumentBytes fails, and so does a transfer
    // longer than four intervals.
    [[nodiscard]] virtual Result<HttpResponse> get(const std::string& url,
                                                   double timeoutSeconds) = 0;
    // Streams the body into `path`; `cancel` set to true stops it.
    [[nodiscard]] virtual Result<HttpResponse> download(const std::string& url,
                                                        const std::string& path,
                                                        double timeoutSeconds,
                                                        const std::atomic<bool>& cancel) = 0;
};

}  // namespace tarsel
