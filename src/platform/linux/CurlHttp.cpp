#include "platform/linux/CurlHttp.h"

#include <curl/curl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>

namespace tarsel {
namespace {

constexpr int kMaxRedirects = 10;

struct EasyDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

struct UrlDeleter {
    void operator()(CURLU* u) const { curl_url_cleanup(u); }
};

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

struct Document {
    std::string body;
    bool tooLarge = false;
};

// Returning less than given aborts the transfer with CURLE_WRITE_ERROR.
size_t appendToDocument(char* data, size_t size, size_t count, void* target) {
    auto* document = static_cast<Document*>(target);
    if (document->body.size() + size * count > kMaxDocumentBytes) {
        document->tooLarge = true;
        return 0;
    }
    document->body.append(data, size * count);
    return size * count;
}

size_t writeToFile(char* data, size_t size, size_t count, void* target) {
    return std::fwrite(data, size, count, static_cast<FILE*>(target)) * size;
}

// Returning non-zero aborts the transfer with CURLE_ABORTED_BY_CALLBACK.
int checkCancel(void* flag, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0;
}

// "scheme://host:port" of an address, the port spelled out.
std::optional<std::string> originOf(const std::string& url) {
    std::unique_ptr<CURLU, UrlDeleter> parsed(curl_url());
    if (!parsed || curl_url_set(parsed.get(), CURLUPART_URL, url.c_str(), 0) != CURLUE_OK)
        return std::nullopt;
    std::string origin;
    for (auto [part, flags] : {std::pair{CURLUPART_SCHEME, 0u},
                               {CURLUPART_HOST, 0u},
                               {CURLUPART_PORT, unsigned{CURLU_DEFAULT_PORT}}}) {
        char* text = nullptr;
        if (curl_url_get(parsed.get(), part, &text, flags) != CURLUE_OK) return std::nullopt;
        origin += std::string(text) + "|";
        curl_free(text);
    }
    return origin;
}

Easy makeEasy(const std::string& url, double timeoutSeconds, char* errorBuffer) {
    Easy easy(curl_easy_init());
    if (!easy) return easy;
    CURL* c = easy.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    // Idle limits: no answer to connect, or under one byte a second for the interval.
    curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(timeoutSeconds * 1000));
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME,
                     std::max(1L, static_cast<long>(std::ceil(timeoutSeconds))));
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "https,http");
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(c, CURLOPT_USERAGENT, "TarselServer");
    if (const char* bundle = std::getenv("CURL_CA_BUNDLE"); bundle && *bundle)
        curl_easy_setopt(c, CURLOPT_CAINFO, bundle);
    return easy;
}

// One request per hop; `prepare` points the body at a fresh target each time,
// so a redirect's own body never ends up in the result.
Result<HttpResponse> perform(const std::string& url, double timeoutSeconds,
                             const std::function<bool(CURL*)>& prepare) {
    const std::optional<std::string> origin = originOf(url);
    std::string address = url;
    for (int hop = 0; hop <= kMaxRedirects; ++hop) {
        char errorBuffer[CURL_ERROR_SIZE] = {};
        Easy easy = makeEasy(address, timeoutSeconds, errorBuffer);
        if (!easy) return failure("curl_easy_init failed");
        if (!prepare(easy.get())) return failure("cannot store the body");
        if (CURLcode code = curl_easy_perform(easy.get()); code != CURLE_OK)
            return failure(errorBuffer[0] ? errorBuffer : curl_easy_strerror(code));
        HttpResponse response;
        curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &response.status);
        char* next = nullptr;
        curl_easy_getinfo(easy.get(), CURLINFO_REDIRECT_URL, &next);
        if (response.status / 100 != 3 || !next) return response;
        if (!origin || originOf(next) != origin)
            return failure("redirect to another host refused: " + std::string(next));
        address = next;
    }
    return failure("more than 10 redirects");
}

}  // namespace

CurlHttp::CurlHttp() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

Result<HttpResponse> CurlHttp::get(const std::string& url, double timeoutSeconds) {
    Document document;
    auto response = perform(url, timeoutSeconds, [&](CURL* c) {
        document = {};
        // A document is small: a drip-fed one must not hold the check forever.
        curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(4 * timeoutSeconds * 1000));
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, appendToDocument);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, &document);
        return true;
    });
    if (document.tooLarge)
        return failure("body larger than " + std::to_string(kMaxDocumentBytes) + " bytes");
    if (response) response->body = std::move(document.body);
    return response;
}

Result<HttpResponse> CurlHttp::download(const std::string& url, const std::string& path,
                                        double timeoutSeconds, const std::atomic<bool>& cancel) {
    std::unique_ptr<FILE, FileCloser> file;
    auto response = perform(url, timeoutSeconds, [&](CURL* c) {
        file.reset(std::fopen(path.c_str(), "wb"));  // each hop starts the file afresh
        curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, writeToFile);
        curl_easy_setopt(c, CURLOPT_WRITEDATA, file.get());
        curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
        curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, checkCancel);
        curl_easy_setopt(c, CURLOPT_XFERINFODATA, &cancel);
        return file != nullptr;
    });
    if (!file) return failure("cannot open " + path);
    if (std::fflush(file.get()) != 0 && response) return failure("cannot write " + path);
    return response;
}

}  // namespace tarsel
