#include "menubar/PairingWords.h"

#include "menubar/L10n.h"

namespace tarsel {

PairingWords PairingWords::korean() {
    return {
        "휴대폰 연결",
        "휴대폰 카메라로 이 코드를 스캔하세요. 브라우저 하나가 페어링되면 새 코드가 나타납니다.",
        "카메라가 없으면 휴대폰 브라우저에서 {} 을 열고 “Pair this browser”를 누르세요.",
        "{} 후 페어링이 닫힙니다",
        "휴대폰 앱 페어링",
        "휴대폰 앱: PIN {} (페어링 중에는 검색 응답에 표시됩니다)",
        "{} 의 “{}”이(가) 페어링을 요청합니다. 휴대폰에 이 코드가 보이나요?",
        "승인",
        "거부",
        "다른 사용자({})가 포트 {}을 쓰고 있어 QR 코드를 표시하지 않습니다. 그 프로그램에 "
        "브라우저를 페어링하지 마세요.",
        "웹 포트를 아직 열지 못했습니다 — 재시도 중",
        "브라우저 리모컨이 꺼져 있습니다 (config.json의 web_port 0)",
        "페어링된 브라우저",
        "{} 삭제",
        "모두 삭제"};
}

PairingWords PairingWords::english() {
    return {"Pair a Phone",
            "Scan this code with the phone's camera. Once a browser has paired, a new code "
            "appears.",
            "No camera? Open {} in the phone's browser and choose “Pair this browser”.",
            "Pairing closes in {}",
            "Pair the Phone App",
            "Phone app: PIN {} (discovery shows it while pairing is open)",
            "“{1}” at {0} asks to pair. Does the phone show this code?",
            "Approve",
            "Deny",
            "Another user ({}) holds port {}: no QR code is shown. Do not pair a browser with "
            "that program.",
            "The page's port is not open yet — retrying",
            "The browser remote is off (\"web_port\": 0 in config.json)",
            "Paired Browsers",
            "Forget {}",
            "Forget All"};
}

const PairingWords& PairingWords::current() {
    static const PairingWords words = L10n::current().inKorean ? korean() : english();
    return words;
}

std::string filled(std::string text, std::initializer_list<std::string> values) {
    std::size_t n = 0, from = 0;
    for (const auto& v : values) {
        // "{0}", "{1}" pick by position where a language orders them otherwise.
        const std::string numbered = "{" + std::to_string(n++) + "}";
        auto at = text.find(numbered);
        if (at != std::string::npos) {
            text.replace(at, numbered.size(), v);
            continue;
        }
        at = text.find("{}", from);
        if (at == std::string::npos) break;
        text.replace(at, 2, v);
        from = at + v.size();
    }
    return text;
}

}  // namespace tarsel
