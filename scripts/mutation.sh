#!/usr/bin/env bash
# Mutation check of the test suite (not part of the test command): applies each
# single-line fault below to a scratch copy of the tree, builds it and runs the
# unit tests, then, if they all pass, the end-to-end and real-backend tests that
# cover that code. Prints whether the suite kills each mutant, and the count.
# Usage: scripts/mutation.sh [first-index [last-index]]   (about 30-50 minutes)
set -euo pipefail
cd "$(dirname "$0")/.."
scratch=${TARSEL_MUTATION_DIR:-/tmp/tarsel-mutation}
export CCACHE_BASEDIR="$scratch/tree" CCACHE_NOHASHDIR=1

# path ||| text as it stands ||| the fault ||| end-to-end and real tests to run
mutants=$(cat <<'LIST'
src/net/SecurityGuard.cpp ||| if (static_cast<int>(list.size()) < maxFailures) return; ||| if (static_cast<int>(list.size()) <= maxFailures) return; ||| e2e.test_protocol
src/net/SecurityGuard.cpp ||| [&](double t) { return !(now - t < window); } ||| [&](double t) { return now - t < window; } ||| e2e.test_protocol
src/net/SecurityGuard.cpp ||| if (clock_.now() < it->second) return true; ||| if (clock_.now() > it->second) return true; ||| e2e.test_protocol
src/net/SecurityGuard.h ||| const double lockoutDuration = 300.0; ||| const double lockoutDuration = 30.0; ||| e2e.test_protocol
src/net/SecurityGuard.cpp ||| bool SecurityGuard::isLocked(const std::string& ip) {\n    std::lock_guard guard(lock_); ||| bool SecurityGuard::isLocked(const std::string& ip) { ||| e2e.test_flood
src/net/ReceiveLoop.cpp ||| SecurityGuard::shared().reset(ctx.remoteIP); ||| ||| e2e.test_protocol
src/net/ReceiveLoop.cpp ||| return !pin.empty() && it != request.end() ||| return it != request.end() ||| e2e.test_protocol
src/net/ReceiveLoop.cpp ||| if (isScanRequest(text)) { ||| if (isScanRequest(text) && !SecurityGuard::shared().isLocked(ctx.remoteIP)) { ||| e2e.test_protocol
src/net/ReceiveLoop.cpp ||| if (!v.is_array() || v.empty()) return false; ||| if (!v.is_array()) return false; ||| e2e.test_shortcuts
src/net/RateLimiter.cpp ||| if (b.tokens < 1.0) return false; ||| if (b.tokens < 0.0) return false; ||| e2e.test_flood
src/net/RateLimiter.cpp ||| if (perAddress_.size() >= rates_.maxAddresses) return false; ||| ||| e2e.test_flood
src/net/Connection.cpp ||| if (stopped_ || datagrams_.pending() >= maxQueued_) return; ||| if (stopped_) return; ||| e2e.test_flood
src/net/UdpServer.cpp ||| if (table_.size() >= limits_.maxConnections) makeRoom(); ||| ||| e2e.test_flood
src/net/Discovery.cpp ||| now - g.connectedClient->lastSeen < 30.0 ||| now - g.connectedClient->lastSeen < 300.0 ||| e2e.test_menubar
src/net/Discovery.cpp ||| if (trimmed == "scan") return true; ||| if (trimmed == "Scan") return true; ||| e2e.test_protocol
src/input/MouseState.cpp ||| now - state.lastClickTime < 0.5 ||| now - state.lastClickTime < 5.0 ||| e2e.test_input_commands
src/input/MouseState.cpp ||| distance < 20.0 ||| distance > 20.0 ||| e2e.test_input_commands
src/input/MouseState.cpp ||| from.x + 1.5 * static_cast<double>(dx) ||| from.x + 1.0 * static_cast<double>(dx) ||| e2e.test_input_commands
src/input/Mouse.cpp ||| constexpr Seconds kClickHold{0.02}; ||| constexpr Seconds kClickHold{0.002}; ||| e2e.test_input_commands
src/input/InputQueues.h ||| inline constexpr Seconds kKeyHold{0.05}; ||| inline constexpr Seconds kKeyHold{0.5}; ||| e2e.test_input_commands
src/input/ShortcutCommands.cpp ||| {"copy", 8, cmd}, ||| {"copy", 9, cmd}, ||| e2e.test_input_commands
src/config/Pin.cpp ||| unicode::graphemeCount(pin) == 6 ||| unicode::graphemeCount(pin) >= 6 ||| e2e.test_protocol
src/config/DataDirectory.cpp ||| if (!files::exists(source) || files::exists(target)) continue; ||| if (!files::exists(source)) continue; ||| e2e.test_protocol
src/platform/posix/Files.cpp ||| && writeAll(fd, data) && fsync(fd) == 0; ||| && writeAll(fd, data); ||| e2e.test_shortcuts
src/platform/posix/Files.cpp ||| if (ok && rename(tmp.c_str(), path.c_str()) != 0) ||| if (false) ||| e2e.test_shortcuts
src/menubar/UpdaterScript.cpp ||| out += c == '\'' ? std::string("'\\''") : std::string(1, c); ||| out += std::string(1, c); ||| e2e.test_menubar
src/menubar/VersionCompare.cpp ||| if (piece[j] < '0' || piece[j] > '9') return {}; ||| if (piece[j] < '0') return {}; ||| e2e.test_menubar
src/menubar/MenuModel.cpp ||| compareVersionStrings(*in.latestVersion, in.appVersion) >= 1 ||| compareVersionStrings(*in.latestVersion, in.appVersion) >= 0 ||| e2e.test_menubar
src/menubar/TrustedUrl.cpp ||| return target->scheme == "https" && target->host == website->host; ||| return target->host == website->host; ||| e2e.test_menubar
src/menubar/Sha256.cpp ||| return lower(a) == lower(b); ||| return lower(a) != lower(b); ||| e2e.test_menubar
src/shortcuts/ShortcutResponses.cpp ||| return allObjects ? static_cast<long long>(section.size()) : 0; ||| return static_cast<long long>(section.size()); ||| e2e.test_shortcuts
src/runtime/LogText.cpp ||| return cp < 0x20 || (cp >= 0x7F && cp <= 0x9F) ||| return cp < 0x0A || (cp >= 0x7F && cp <= 0x9F) ||| e2e.test_protocol
src/host/PortHolders.cpp ||| if (pid.empty() || pid == ownPid || protocol != "UDP") break; ||| if (pid.empty() || protocol != "UDP") break; ||| e2e.test_lifecycle
src/runtime/SerialQueue.cpp ||| if (state_->running) return; ||| ||| e2e.test_input_commands
LIST
)

first=${1:-1}
last=${2:-$(grep -c '|||' <<<"$mutants")}
rm -rf "$scratch" && mkdir -p "$scratch/tree" "$scratch/orig"
git ls-files -z | xargs -0 cp --parents -t "$scratch/orig"
cp -a "$scratch/orig/." "$scratch/tree"
cmake -S "$scratch/tree" -B "$scratch/build" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$scratch/build" >/dev/null

killed=0 survived=0 invalid=0 n=0
while IFS= read -r entry; do
    n=$((n + 1))
    [ "$n" -lt "$first" ] || [ "$n" -gt "$last" ] && continue
    file=${entry%% ||| *}
    if ! python3 - "$scratch/tree" "$entry" <<'PY'
import sys
tree, entry = sys.argv[1], sys.argv[2]
path, old, new, _ = (f.strip() for f in entry.split("|||"))
old, new = old.replace("\\n", "\n"), new.replace("\\n", "\n")
full = f"{tree}/{path}"
text = open(full, encoding="utf-8").read()
if text.count(old) != 1:
    sys.exit(f"{path}: the text to mutate occurs {text.count(old)} times")
open(full, "w", encoding="utf-8").write(text.replace(old, new))
PY
    then
        invalid=$((invalid + 1)); echo "#$n INVALID (text not found) $file"; continue
    fi
    e2e=${entry##* ||| }
    verdict=survived
    if ! cmake --build "$scratch/build" >"$scratch/build.log" 2>&1; then
        verdict=invalid
    elif ! (cd "$scratch/build" && ctest -j2 --timeout 300 --stop-on-failure -E '^(e2e|real)\.' \
        >"$scratch/test.log" 2>&1); then
        verdict=killed
    elif ! (cd "$scratch/build" && flock /tmp/tarsel-udp3000.lock \
        ctest --timeout 600 -R "^(${e2e})\$" >"$scratch/test.log" 2>&1); then
        verdict="killed (end-to-end)"
    fi
    cp "$scratch/orig/$file" "$scratch/tree/$file"
    case $verdict in
        killed*) killed=$((killed + 1)) ;;
        invalid) invalid=$((invalid + 1)) ;;
        *) survived=$((survived + 1)) ;;
    esac
    old=${entry#* ||| }
    echo "#$n $verdict: $file: ${old%% ||| *}"
done <<<"$mutants"
cmake --build "$scratch/build" >/dev/null
echo "killed $killed, survived $survived, invalid $invalid"
