#pragma once
#include <string>

namespace tarsel {

// Where the signature tools live; the platform constants supply them.
struct SignatureTools {
    std::string codesign;
    std::string spctl;
    std::string stapler;
};

// The four checks on a candidate bundle, in order: code signature, Team ID,
// Gatekeeper assessment, notarisation ticket. The first failure logs its line
// and returns false.
bool verifyExtractedApp(const std::string& appPath, const std::string& teamID,
                        const SignatureTools& tools);

}  // namespace tarsel
