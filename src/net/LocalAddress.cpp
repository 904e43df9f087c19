#include "net/LocalAddress.h"

#include <mutex>

#include "platform/Platform.h"
#include "runtime/Log.h"
#include "runtime/Unicode.h"

namespace tarsel {

std::optional<std::string> getIP(const std::string& interfaceName) {
    auto answer = platform().host.interfaceAddress(interfaceName);
    if (!answer) return std::nullopt;
    return unicode::trimWhitespaceAndNewlines(*answer);
}

std::string chooseLocalIP(const std::vector<std::optional<std::string>>& interfaceAnswers,
                          const std::vector<std::string>& hostAddresses) {
    for (auto& a : interfaceAnswers)
        if (a && !a->empty()) return *a;
    for (auto& address : hostAddresses) {
        if (address.rfind("192.168.", 0) == 0 || address.rfind("10.", 0) == 0 ||
            address.rfind("172.", 0) == 0)
            return address;
    }
    return "127.0.0.1";
}

std::string getLocalIP() {
    auto& host = platform().host;
    std::vector<std::optional<std::string>> answers;
    auto names = host.preferredInterfaces();
    for (std::size_t i = 0; i < names.size() && i < 2; ++i) {
        answers.push_back(getIP(names[i]));
        if (answers.back() && !answers.back()->empty()) break;  // no need to ask further
    }
    if (!answers.empty() && answers.back() && !answers.back()->empty())
        return chooseLocalIP(answers, {});
    return chooseLocalIP(answers, host.hostAddresses());
}

}  // namespace tarsel
