#include "menubar/UpdaterScript.h"

#include <cctype>
#include <map>

#include "runtime/Files.h"

namespace tarsel {
namespace {

// {{NAME}} marks where a tool path or the installation folder goes.
constexpr const char* kBody = R"SCRIPT(LOG="$HOME/Library/Logs/TarselServer.log"
log() { echo "[$(date '+%H:%M:%S')] [updater] $1" >>"$LOG" 2>&1; }

# 이전 버전 복원 후 다시 실행
restore() {
  [ -d "$BACKUP" ] && $SUDO mv "$BACKUP" "$DEST"
  {{LAUNCHCTL}} load "$PLIST" 2>/dev/null || {{OPEN}} "$DEST"
}

log "시작 parent=$PARENT_PID new=$NEW_APP"

# 교체 직전 보안 재확인 (변조 방어)
if ! {{CODESIGN}} --verify --deep --strict "$NEW_APP" 2>>"$LOG"; then
  log "ERROR codesign 재검증 실패"
  rm -rf "$SELF_DIR"
  exit 1
fi
if ! {{CODESIGN}} -dv --verbose=4 "$NEW_APP" 2>&1 | grep -qx "TeamIdentifier=$TEAM_ID"; then
  log "ERROR TeamIdentifier 불일치"
  rm -rf "$SELF_DIR"
  exit 1
fi

# 부모(현재 서버) 종료 대기 (최대 30초)
WAITED=0
while kill -0 "$PARENT_PID" 2>/dev/null; do
  sleep 0.2
  WAITED=$((WAITED+1))
  if [ "$WAITED" -ge 150 ]; then
    log "WARN 부모 미종료, 강제 진행"
    break
  fi
done

# LaunchAgent 확실히 내림 (멱등)
{{LAUNCHCTL}} unload "$PLIST" 2>/dev/null || true
sleep 0.3

# {{INSTALL_DIR_COMMENT}} 권한 부족 시 GUI 관리자 권한 요청
SUDO=""
if [ ! -w "{{INSTALL_DIR}}" ]; then
  if ! {{OSASCRIPT}} -e 'do shell script "echo ok" with administrator privileges with prompt "Tarsel 업데이트 설치에 관리자 암호가 필요합니다."' >>"$LOG" 2>&1; then
    log "ERROR 권한 거부"
    exit 1
  fi
  SUDO="sudo"
fi

# 백업 → 원자적 교체 (실패 시 롤백)
BACKUP="$DEST.bak"
$SUDO rm -rf "$BACKUP" 2>/dev/null || true
if [ -d "$DEST" ]; then
  if ! $SUDO mv "$DEST" "$BACKUP"; then
    log "ERROR 백업 실패"
    exit 1
  fi
fi
if ! $SUDO {{CP}} -R "$NEW_APP" "$DEST"; then
  log "ERROR 복사 실패 — 롤백"
  $SUDO rm -rf "$DEST" 2>/dev/null || true
  restore
  rm -rf "$SELF_DIR"
  exit 1
fi
$SUDO {{XATTR}} -dr com.apple.quarantine "$DEST" 2>/dev/null || true

# 교체본 최종 검증 — 깨졌으면 롤백
if ! {{CODESIGN}} --verify --deep --strict "$DEST" 2>>"$LOG"; then
  log "ERROR 교체본 검증 실패 — 롤백"
  $SUDO rm -rf "$DEST"
  restore
  rm -rf "$SELF_DIR"
  exit 1
fi
$SUDO rm -rf "$BACKUP" 2>/dev/null || true
log "교체 완료"

# 재시작 — LaunchAgent 다시 로드 (RunAtLoad 가 즉시 실행)
if {{LAUNCHCTL}} load "$PLIST" 2>>"$LOG"; then
  log "load 성공"
else
  log "WARN load 실패 — open 직접 실행"
  {{OPEN}} "$DEST"
fi

sleep 1
log "업데이트 종료"
rm -rf "$SELF_DIR"
exit 0
)SCRIPT";

bool isHarmless(unsigned char c) {
    return std::isalnum(c) || c == '/' || c == '.' || c == '_' || c == '-' || c == '+' ||
           c == ',' || c == ':' || c == '@' || c == '%' || c == '=';
}

// A comment line ends at a line break; anything else may stand in it.
std::string commentSafe(const std::string& text) {
    std::string out = text;
    for (char& c : out)
        if (c == '\n' || c == '\r') c = ' ';
    return out;
}

std::string fill(const std::string& tmpl, const std::map<std::string, std::string>& values) {
    std::string out;
    size_t pos = 0;
    while (true) {
        size_t open = tmpl.find("{{", pos);
        if (open == std::string::npos) break;
        size_t close = tmpl.find("}}", open);
        out.append(tmpl, pos, open - pos);
        out += values.at(tmpl.substr(open + 2, close - open - 2));
        pos = close + 2;
    }
    out.append(tmpl, pos, std::string::npos);
    return out;
}

std::string assignment(const char* name, const std::string& value) {
    return std::string(name) + "=\"" + shellDoubleQuoted(value) + "\"\n";
}

}  // namespace

std::string shellDoubleQuoted(const std::string& text) {
    std::string out;
    for (char c : text) {
        if (c == '\\' || c == '"' || c == '$' || c == '`') out += '\\';
        out += c;
    }
    return out;
}

std::string shellWord(const std::string& text) {
    bool plain = !text.empty();
    for (unsigned char c : text) plain = plain && isHarmless(c);
    if (plain) return text;
    std::string out = "'";
    for (char c : text) out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string updaterScript(const UpdaterScriptValues& v, const UpdaterScriptTools& tools) {
    std::string installDir = files::parentOf(v.dest);
    std::string script = "#!/bin/bash\nset -u\n";
    script += assignment("PARENT_PID", std::to_string(v.parentPid));
    script += assignment("NEW_APP", v.newApp);
    script += assignment("DEST", v.dest);
    script += assignment("PLIST", v.plist);
    script += assignment("TEAM_ID", v.teamID);
    script += assignment("SELF_DIR", v.selfDir);
    script += fill(kBody, {{"CODESIGN", shellWord(tools.codesign)},
                           {"LAUNCHCTL", shellWord(tools.launchctl)},
                           {"OSASCRIPT", shellWord(tools.osascript)},
                           {"CP", shellWord(tools.cp)},
                           {"XATTR", shellWord(tools.xattr)},
                           {"OPEN", shellWord(tools.open)},
                           {"INSTALL_DIR", shellDoubleQuoted(installDir)},
                           {"INSTALL_DIR_COMMENT", commentSafe(installDir)}});
    return script;
}

}  // namespace tarsel
