#pragma once
// HTTP(S) through libcurl. No cache is consulted (libcurl keeps none);
// CURL_CA_BUNDLE, when set, names the CA bundle to trust.
#include "platform/Http.h"

namespace tarsel {

class CurlHttp : public Http {
  public:
    CurlHttp();
    Result<HttpResponse> get(const std::string& url, double timeoutSeconds) override;
    Result<HttpResponse> download(const std::string& url, const std::string& path,
                                  double timeoutSeconds, const std::atomic<bool>& cancel) override;
};

}  // namespace tarsel
