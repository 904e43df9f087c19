#include "menubar/AlertWords.h"

#include "menubar/L10n.h"
#include "platform/Platform.h"

namespace tarsel {
namespace {

void koreanUpdateWords(AlertWords& w) {
    w.later = "나중에";
    w.upToDateTitle = "최신 버전입니다";
    w.upToDateText = "현재 버전 {} 이 최신입니다.";
    w.newVersionTitle = "새 버전 {} 사용 가능";
    w.newVersionText = "현재 버전: {}\n새 버전 다운로드 페이지를 여시겠습니까?";
    w.openDownloadPage = "다운로드 페이지 열기";
    w.ok = "확인";
    w.installFailedTitle = "자동 설치를 완료하지 못했습니다";
    w.installFailedText = "다운로드 페이지에서 직접 받아 설치할 수 있습니다.\n\n(사유: {})";
    w.portTakenTitle = "다른 사용자가 UDP 포트 3000을 쓰고 있습니다";
    w.portTakenText =
        "이 컴퓨터의 다른 사용자 {}의 프로그램이 Tarsel의 포트를 먼저 열었습니다. 지금 "
        "연결하는 휴대폰은 그 프로그램에 PIN과 입력을 보내게 됩니다.\n\n휴대폰을 연결하지 "
        "말고, 그 사용자나 관리자에게 프로그램을 끝내 달라고 하세요. Tarsel은 몇 초마다 "
        "다시 시도합니다.";
}

}  // namespace

AlertWords AlertWords::mac() {
    AlertWords w;
    koreanUpdateWords(w);
    w.permissionTitle = "손쉬운 사용 권한이 필요합니다";
    w.permissionText =
        "Tarsel 서버가 키보드와 마우스를 제어하려면 권한이 필요합니다.\n\n"
        "▶ 시스템 설정 열기:\n"
        "  손쉬운 사용 페이지로 이동합니다.\n"
        "  처음 설치라면 Tarsel 항목을 추가하고 토글을 켜주세요.\n"
        "  업데이트 후 동작 안 함이라면 토글을 OFF → ON 으로 한 번 껐다 켜보세요.\n\n"
        "▶ 강제 복구:\n"
        "  위 방법으로 안 될 때만 사용하세요.\n"
        "  권한 기록을 초기화하고 앱을 재시작합니다.\n"
        "  재시작 후 시스템 설정에서 Tarsel를 새로 추가해주세요.";
    w.openSettings = "시스템 설정 열기";
    w.forceReset = "강제 복구";
    return w;
}

AlertWords AlertWords::linuxKorean() {
    AlertWords w;
    koreanUpdateWords(w);
    w.permissionTitle = "키보드와 마우스를 제어할 수 없습니다";
    w.permissionText =
        "휴대폰에서 보낸 키와 포인터 이동이 이 데스크톱에 전달되지 않습니다.\n"
        "아래 원인을 해결한 뒤 Tarsel 서버를 다시 시작하세요.";
    w.openSettings = "도움말 열기";
    return w;
}

AlertWords AlertWords::linuxEnglish() {
    AlertWords w;
    w.permissionTitle = "Tarsel cannot control the keyboard and mouse";
    w.permissionText =
        "Keys and pointer moves from the phone cannot reach this desktop.\n"
        "Fix the cause below, then restart the Tarsel server.";
    w.openSettings = "Open Help";
    w.later = "Later";
    w.upToDateTitle = "Tarsel is up to date";
    w.upToDateText = "Version {} is the latest.";
    w.newVersionTitle = "Version {} is available";
    w.newVersionText = "Current version: {}\nOpen the download page?";
    w.openDownloadPage = "Open Download Page";
    w.ok = "OK";
    w.installFailedTitle = "The update could not be installed";
    w.installFailedText = "You can download and install it from the download page.\n\n(Reason: {})";
    w.portTakenTitle = "Another user holds UDP port 3000";
    w.portTakenText =
        "A program of {}, another user of this computer, opened Tarsel's port first. A phone "
        "that connects now sends that program its PIN and its input.\n\nDo not connect a "
        "phone; ask that user or an administrator to end the program. Tarsel tries again "
        "every few seconds.";
    return w;
}

AlertWords alertWords() {
    if (!platform().host.words.alertsFollowLanguage) return AlertWords::mac();
    return L10n::current().inKorean ? AlertWords::linuxKorean() : AlertWords::linuxEnglish();
}

std::string withValue(std::string text, const std::string& value) {
    if (auto at = text.find("{}"); at != std::string::npos) text.replace(at, 2, value);
    return text;
}

}  // namespace tarsel
