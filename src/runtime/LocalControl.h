#pragma once
// The agent's local control channel: a Unix stream socket in a folder only the
// user can enter, answering only processes of the agent's own user. One
// request line in, one answer out. Used by `tarselctl pair`, never reachable
// from the network.
#include <asio/thread_pool.hpp>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "runtime/Result.h"

namespace tarsel {

using ControlHandler = std::function<std::string(std::string_view request)>;

// Where the socket may be, in this order: "$XDG_RUNTIME_DIR/tarsel/ctl", else
// "${TMPDIR:-/tmp}/tarsel-<uid>/ctl" and, for when another user holds that
// folder, "${XDG_CACHE_HOME:-~/.cache}/tarsel/run/ctl".
std::vector<std::string> controlSocketPaths();
// The first of them whose folder is this user's own, else the first.
std::string controlSocketPath();
// Creates the socket's folder (mode 0700) where missing; fails unless it is a
// real folder (not a link) owned by this user and closed to everyone else,
// and the path fits a socket address (107 bytes).
[[nodiscard]] Result<> prepareControlFolder(const std::string& socketPath);
// The first place whose folder is, or can be made, the user's own; when none
// can, why each was refused.
[[nodiscard]] Result<std::string> prepareControlSocket();
// The same checks without creating anything: for a client that must not talk
// to a socket someone else put there.
[[nodiscard]] Result<> checkControlFolder(const std::string& socketPath);

// Listens at `path` (replacing a stale socket) and answers on `pool` for as
// long as the process runs.
[[nodiscard]] Result<> serveControl(asio::thread_pool& pool, const std::string& path,
                                    ControlHandler handler);

}  // namespace tarsel
