#pragma once
// The user's language: every text the user reads is written here in English
// (its message id) and looked up in the translation catalog chosen at start.
// A text with values carries numbered places, "{1}" to "{9}", so a translation
// may put them in its own order: tr("Port {1} held by {2}", port, user).
#include <concepts>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace tarsel {

class Catalog {
  public:
    // The translation of an English text, or null where there is none.
    using Lookup = std::function<const char*(const char* english)>;
    static Catalog& instance();
    // Once, at start-up, before any other thread runs; without it every text
    // stays English.
    void install(Lookup lookup, std::string language);
    const char* translate(const char* english) const;
    // "en", "ko", …: the language of the texts.
    const std::string& language() const { return language_; }

  private:
    Lookup lookup_;
    std::string language_ = "en";
};

// Marks a text for the catalog where it is stored; tr() translates it where it
// is shown.
constexpr const char* N_(const char* english) {
    return english;
}

// `text` with "{n}" replaced by the n-th value; any other brace stays.
std::string fillIn(std::string_view text, std::span<const std::string> values);

inline std::string textOf(const std::string& s) {
    return s;
}
inline std::string textOf(const char* s) {
    return s;
}
inline std::string textOf(std::string_view s) {
    return std::string(s);
}
template <std::integral T>
std::string textOf(T n) {
    return std::to_string(n);
}

inline std::string tr(const char* english) {
    return Catalog::instance().translate(english);
}
template <class... Values>
std::string tr(const char* english, const Values&... values) {
    const std::string texts[] = {textOf(values)...};
    return fillIn(Catalog::instance().translate(english), texts);
}

// The user's language code from their preferred languages: the first of
// them, cut at "_", "-", "." or "@" ("ko_KR.UTF-8" → "ko"); C, POSIX and none
// give "en".
std::string languageCode(const std::string& preferred);

}  // namespace tarsel
