#include "TerminalQr.h"

#include <qrencode.h>

#include <memory>

namespace tarselctl {
namespace {
constexpr int kQuiet = 2;  // modules of light border; terminals add their own margin
}

std::optional<std::string> terminalQr(const std::string& text, bool colour) {
    std::unique_ptr<QRcode, void (*)(QRcode*)> code(
        QRcode_encodeString(text.c_str(), 0, QR_ECLEVEL_M, QR_MODE_8, 1), QRcode_free);
    if (!code) return std::nullopt;
    const int width = code->width;
    auto dark = [&](int x, int y) {
        return x >= 0 && y >= 0 && x < width && y < width && (code->data[y * width + x] & 1);
    };
    std::string out;
    for (int y = -kQuiet; y < width + kQuiet; y += 2) {
        if (colour) out += "\x1b[30;107m";  // black on bright white
        for (int x = -kQuiet; x < width + kQuiet; ++x) {
            const bool top = dark(x, y), bottom = dark(x, y + 1);
            out += top && bottom ? "█" : top ? "▀" : bottom ? "▄" : " ";
        }
        if (colour) out += "\x1b[0m";
        out += '\n';
    }
    return out;
}

}  // namespace tarselctl
