#pragma once
// The phone page's files, compressed and embedded at build time from web/.
#include <string_view>

namespace tarsel::web {

struct PageFile {
    std::string_view path;  // "/app.js"; the page itself is "/"
    std::string_view type;  // Content-Type
    std::string_view gzip;  // the file compressed
    std::string_view raw;   // for a client that takes no gzip
    std::string_view etag;  // quoted, from the content
};

const PageFile* findPageFile(std::string_view path);

}  // namespace tarsel::web
