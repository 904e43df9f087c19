#pragma once
#include <string>

namespace tarsel {

// A disk image may come only from the maker's website: the address must parse,
// its scheme must be exactly "https" and its host exactly that of `websiteURL`
// (no other host, no subdomain, case counts; the port is not compared).
// Addresses with user info or a backslash before the path are refused too:
// parsers disagree on where their host begins, and the downloader must fetch
// the very host that was tested.
bool isTrustedDownloadAddress(const std::string& address, const std::string& websiteURL);

}  // namespace tarsel
