# Writes OUT, a C++ source holding the phone page's files, raw and gzipped:
# FILES is a list of "url|source|gzipped copy"; the type follows the extension.
set(body "")
set(table "")
set(n 0)
foreach(entry ${FILES})
  string(REPLACE "|" ";" parts "${entry}")
  list(GET parts 0 url)
  list(GET parts 1 raw)
  list(GET parts 2 gz)
  get_filename_component(ext "${raw}" LAST_EXT)
  set(type "text/javascript")
  if(ext STREQUAL ".html")
    set(type "text/html")
  elseif(ext STREQUAL ".css")
    set(type "text/css")
  elseif(ext STREQUAL ".svg")
    set(type "image/svg+xml")
  elseif(ext STREQUAL ".webmanifest")
    set(type "application/manifest+json")
  endif()
  set(type "${type}; charset=utf-8")
  foreach(kind raw gz)
    file(READ "${${kind}}" hex HEX)
    string(REGEX REPLACE "([0-9a-f][0-9a-f])" "'\\\\x\\1'," bytes "${hex}")
    string(LENGTH "${hex}" length)
    math(EXPR length "${length} / 2")
    string(APPEND body "constexpr char k${kind}${n}[] = {${bytes}};\n")
    set(${kind}Length ${length})
  endforeach()
  file(SHA256 "${raw}" digest)
  string(SUBSTRING "${digest}" 0 20 etag)
  string(APPEND table "    {\"${url}\", \"${type}\", {kgz${n}, ${gzLength}}, {kraw${n}, ${rawLength}}, \"\\\"${etag}\\\"\"},\n")
  math(EXPR n "${n} + 1")
endforeach()
file(WRITE "${OUT}.tmp" "// Made by cmake/EmbedPage.cmake from web/; not edited by hand.
#include \"web/PageFiles.h\"

namespace tarsel::web {
namespace {
${body}
constexpr PageFile kFiles[] = {
${table}};
}  // namespace

const PageFile* findPageFile(std::string_view path) {
    for (const auto& f : kFiles)
        if (f.path == path) return &f;
    return nullptr;
}

}  // namespace tarsel::web
")
file(COPY_FILE "${OUT}.tmp" "${OUT}" ONLY_IF_DIFFERENT)
