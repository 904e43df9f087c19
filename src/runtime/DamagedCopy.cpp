#include "runtime/DamagedCopy.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

#include "runtime/Files.h"

namespace tarsel {
namespace {

constexpr std::size_t kDamagedKept = 3;

// "20260501T120000Z": now, in UTC.
std::string utcStamp() {
    using namespace std::chrono;
    const auto now = floor<seconds>(system_clock::now());
    const auto day = floor<days>(now);
    const year_month_day date(day);
    const hh_mm_ss time(now - day);
    char text[32];
    std::snprintf(text, sizeof text, "%04d%02u%02uT%02d%02d%02dZ", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), int(time.hours().count()),
                  int(time.minutes().count()), int(time.seconds().count()));
    return text;
}

// Keeps the newest copies (their names sort by time).
void pruneDamagedCopies(const std::string& path) {
    const std::string prefix = path.substr(path.rfind('/') + 1) + kDamagedSuffix;
    std::vector<std::string> copies;
    for (auto& name : files::namesIn(files::parentOf(path)))
        if (name.rfind(prefix, 0) == 0) copies.push_back(name);
    std::sort(copies.begin(), copies.end());
    for (std::size_t i = 0; i + kDamagedKept < copies.size(); ++i)
        (void)files::remove(files::join(files::parentOf(path), copies[i]));
}

}  // namespace

Result<std::string> keepDamagedCopy(const std::string& path) {
    const std::string stamp = path + kDamagedSuffix + utcStamp();
    Result<> moved = failure("");
    std::string aside;
    for (int n = 0; n < 10 && !moved; ++n) {  // two in one second get "-1", "-2", ...
        aside = n == 0 ? stamp : stamp + "-" + std::to_string(n);
        moved = files::moveAside(path, aside);
    }
    if (!moved) return failure(moved.error());
    pruneDamagedCopies(path);
    return aside;
}

}  // namespace tarsel
