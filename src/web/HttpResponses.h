#pragma once
// The web server's answers, every one with the page's security headers.
#include <string>
#include <string_view>

#include "web/HttpRequest.h"
#include "web/PageFiles.h"

namespace tarsel::web {

// A file, compressed where the browser takes gzip; 304 where its copy is current.
std::string fileResponse(const PageFile& file, const HttpRequest& request, bool keepAlive);
// The switch to WebSocket for a valid key.
std::string upgradeResponse(std::string_view webSocketKey);
// A refusal with a short plain-text body; the connection closes after it.
std::string refusalResponse(int status);

}  // namespace tarsel::web
