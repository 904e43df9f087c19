#include "platform/linux/Autostart.h"

#include <cstdlib>
#include <filesystem>
#include <system_error>

#include "runtime/Files.h"

namespace tarsel {
namespace {

namespace fs = std::filesystem;

std::string absoluteEnv(const char* name, const std::string& fallback) {
    const char* value = std::getenv(name);
    return value && value[0] == '/' ? value : fallback;
}

// A link, even one that points nowhere (the package was removed).
bool linkThere(const std::string& path) {
    std::error_code ec;
    return fs::is_symlink(fs::symlink_status(path, ec));
}

// Replaces whatever is at `link` with a link to `target`, atomically.
Result<> placeLink(const std::string& target, const std::string& link) {
    std::error_code ec;
    fs::create_directories(files::parentOf(link), ec);
    const std::string tmp = link + files::kTemporaryMarker + "link";
    fs::remove(tmp, ec);
    fs::create_symlink(target, tmp, ec);
    if (!ec) fs::rename(tmp, link, ec);
    if (ec) {
        fs::remove(tmp, ec);
        return failure("link " + link + ": " + ec.message());
    }
    return {};
}

Result<> removeIfThere(const std::string& path) {
    std::error_code ec;
    fs::remove(path, ec);
    if (ec) return failure(path + ": " + ec.message());
    return {};
}

// The user's copy of the entry, which hides the system's for this user only.
constexpr const char* kHiddenEntry =
    "[Desktop Entry]\n"
    "Type=Application\n"
    "Name=Tarsel Server\n"
    "Exec=tarsel-server\n"
    "Hidden=true\n";

Result<> writeWithFolder(const std::string& path, const std::string& text, int folderMode,
                         int mode) {
    return files::createDirectories(files::parentOf(path), folderMode).and_then([&] {
        return files::writeAtomic(path, text, mode);
    });
}

}  // namespace

AutostartPlaces AutostartPlaces::forHome(const std::string& home) {
    AutostartPlaces places;
    places.configHome = absoluteEnv("XDG_CONFIG_HOME", files::join(home, ".config"));
    places.stateHome = absoluteEnv("XDG_STATE_HOME", files::join(home, ".local/state"));
    return places;
}

std::string Autostart::statePath() const {
    return files::join(places_.stateHome, "tarsel/autostart");
}
std::string Autostart::userUnitPath() const {
    return files::join(places_.configHome, std::string("systemd/user/") + kAutostartUnitName);
}
std::string Autostart::linkPath() const {
    return files::join(
        places_.configHome,
        std::string("systemd/user/graphical-session.target.wants/") + kAutostartUnitName);
}
std::string Autostart::hiddenEntryPath() const {
    return files::join(places_.configHome, std::string("autostart/") + kAutostartEntryName);
}

std::string Autostart::unitPath() const {
    const std::string packaged = files::join(places_.packagedUnitDir, kAutostartUnitName);
    return files::exists(packaged) ? packaged : userUnitPath();
}

AutostartWay Autostart::way() const {
    if (files::exists(unitPath())) return AutostartWay::unit;
    if (files::exists(files::join(places_.systemAutostartDir, kAutostartEntryName)))
        return AutostartWay::entry;
    return AutostartWay::none;
}

bool Autostart::enabled() const {
    switch (way()) {
        case AutostartWay::unit:
            return linkThere(linkPath());
        case AutostartWay::entry:
            return !files::exists(hiddenEntryPath());
        case AutostartWay::none:
            break;
    }
    return false;
}

std::string Autostart::describe() const {
    switch (way()) {
        case AutostartWay::unit:
            return "systemd user unit " + unitPath();
        case AutostartWay::entry:
            return "autostart entry " +
                   files::join(places_.systemAutostartDir, kAutostartEntryName);
        case AutostartWay::none:
            break;
    }
    return "nothing";
}

Result<> Autostart::set(bool on) {
    if (way() == AutostartWay::none)
        return failure(
            std::string("no way to start the agent at log-in here: no systemd user unit ") +
            kAutostartUnitName + " and no autostart entry");
    // Both ways change together: a session without a user manager runs the
    // entry, one with it the unit, and a user may log in to either.
    return (on ? switchOn() : switchOff()).and_then([&] { return record(on); });
}

Result<> Autostart::recordCurrent() {
    return record(enabled());
}

Result<> Autostart::switchOn() const {
    if (way() == AutostartWay::unit) {
        if (Result<> linked = placeLink(unitPath(), linkPath()); !linked) return linked;
    }
    return removeIfThere(hiddenEntryPath());
}

Result<> Autostart::switchOff() const {
    return removeIfThere(linkPath()).and_then([&]() -> Result<> {
        if (!files::exists(files::join(places_.systemAutostartDir, kAutostartEntryName))) return {};
        return writeWithFolder(hiddenEntryPath(), kHiddenEntry, 0755, 0644);
    });
}

Result<> Autostart::record(bool on) const {
    return writeWithFolder(statePath(), on ? "on\n" : "off\n", 0700, 0600);
}

}  // namespace tarsel
