#include "platform/linux/CurlHttp.h"

#include <curl/curl.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <mutex>

namespace tarsel {
namespace {

struct EasyDeleter {
    void operator()(CURL* c) const { curl_easy_cleanup(c); }
};
using Easy = std::unique_ptr<CURL, EasyDeleter>;

struct FileCloser {
    void operator()(FILE* f) const { std::fclose(f); }
};

size_t appendToString(char* data, size_t size, size_t count, void* target) {
    static_cast<std::string*>(target)->append(data, size * count);
    return size * count;
}

size_t writeToFile(char* data, size_t size, size_t count, void* target) {
    return std::fwrite(data, size, count, static_cast<FILE*>(target)) * size;
}

// Returning non-zero aborts the transfer with CURLE_ABORTED_BY_CALLBACK.
int checkCancel(void* flag, curl_off_t, curl_off_t, curl_off_t, curl_off_t) {
    return static_cast<const std::atomic<bool>*>(flag)->load() ? 1 : 0;
}

Easy makeEasy(const std::string& url, double timeoutSeconds, char* errorBuffer) {
    Easy easy(curl_easy_init());
    if (!easy) return easy;
    CURL* c = easy.get();
    curl_easy_setopt(c, CURLOPT_URL, url.c_str());
    curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, static_cast<long>(timeoutSeconds * 1000));
    curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(c, CURLOPT_MAXREDIRS, 10L);
    // Redirects may not leave https for another scheme.
    curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "https,http");
    curl_easy_setopt(c, CURLOPT_REDIR_PROTOCOLS_STR, "https");
    curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer);
    curl_easy_setopt(c, CURLOPT_USERAGENT, "TarselServer");
    if (const char* bundle = std::getenv("CURL_CA_BUNDLE"); bundle && *bundle)
        curl_easy_setopt(c, CURLOPT_CAINFO, bundle);
    return easy;
}

HttpResponse finish(CURL* c, CURLcode code, const char* errorBuffer) {
    HttpResponse response;
    if (code != CURLE_OK) {
        response.error = errorBuffer[0] ? errorBuffer : curl_easy_strerror(code);
        return response;
    }
    response.ok = true;
    curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &response.status);
    return response;
}

HttpResponse failure(const std::string& what) {
    HttpResponse response;
    response.error = what;
    return response;
}

}  // namespace

CurlHttp::CurlHttp() {
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

HttpResponse CurlHttp::get(const std::string& url, double timeoutSeconds) {
    char errorBuffer[CURL_ERROR_SIZE] = {};
    Easy easy = makeEasy(url, timeoutSeconds, errorBuffer);
    if (!easy) return failure("curl_easy_init failed");
    std::string body;
    curl_easy_setopt(easy.get(), CURLOPT_WRITEFUNCTION, appendToString);
    curl_easy_setopt(easy.get(), CURLOPT_WRITEDATA, &body);
    HttpResponse response = finish(easy.get(), curl_easy_perform(easy.get()), errorBuffer);
    if (response.ok) response.body = std::move(body);
    return response;
}

HttpResponse CurlHttp::download(const std::string& url, const std::string& path,
                                double timeoutSeconds, const std::atomic<bool>& cancel) {
    char errorBuffer[CURL_ERROR_SIZE] = {};
    Easy easy = makeEasy(url, timeoutSeconds, errorBuffer);
    if (!easy) return failure("curl_easy_init failed");
    std::unique_ptr<FILE, FileCloser> file(std::fopen(path.c_str(), "wb"));
    if (!file) return failure("cannot open " + path);
    CURL* c = easy.get();
    curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, writeToFile);
    curl_easy_setopt(c, CURLOPT_WRITEDATA, file.get());
    curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, checkCancel);
    curl_easy_setopt(c, CURLOPT_XFERINFODATA, &cancel);
    HttpResponse response = finish(c, curl_easy_perform(c), errorBuffer);
    if (std::fflush(file.get()) != 0 && response.ok) return failure("cannot write " + path);
    return response;
}

}  // namespace tarsel
