#include "StatusLine.h"

#include "SimSocket.h"

namespace mirav::cli {

StatusLine::StatusLine(std::FILE* out, bool enabled)
    : out_(out),
      enabled_(enabled),
      terminal_(sim::IsTerminal(out)),
      last_(std::chrono::steady_clock::now()) {}

bool StatusLine::Due() const {
    if (!enabled_) return false;
    const auto period =
        terminal_ ? std::chrono::milliseconds(250) : std::chrono::milliseconds(1000);
    return std::chrono::steady_clock::now() - last_ >= period;
}

void StatusLine::Show(const std::string& text) {
    if (!enabled_) return;
    last_ = std::chrono::steady_clock::now();
    if (terminal_) {
        // Carriage return, the text, and blanks over what a longer previous line left.
        const size_t pad = width_ > text.size() ? width_ - text.size() : 0;
        std::fprintf(out_, "\r%s%*s", text.c_str(), static_cast<int>(pad), "");
        width_ = text.size();
        drawn_ = true;
    } else {
        std::fprintf(out_, "%s\n", text.c_str());
    }
    std::fflush(out_);
}

void StatusLine::Finish() {
    if (drawn_) std::fprintf(out_, "\n");
    drawn_ = false;
    width_ = 0;
    std::fflush(out_);
}

}  // namespace mirav::cli
