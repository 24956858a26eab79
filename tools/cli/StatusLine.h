// A status line: redrawn in place on a terminal, otherwise written as one line at a slower pace
// so that logs stay readable.
#ifndef MIRAV_CLI_STATUS_LINE_H
#define MIRAV_CLI_STATUS_LINE_H

#include <chrono>
#include <cstdio>
#include <string>

namespace mirav::cli {

class StatusLine {
public:
    // out: where the line goes; enabled false: never shown.
    StatusLine(std::FILE* out, bool enabled);
    // True when a new line is due (every 250 ms on a terminal, every 1 s otherwise).
    bool Due() const;
    void Show(const std::string& text);
    // Ends the line in place so the next output starts on a fresh line.
    void Finish();

private:
    std::FILE* out_;
    bool enabled_;
    bool terminal_;
    bool drawn_ = false;
    size_t width_ = 0;
    std::chrono::steady_clock::time_point last_{};
};

}  // namespace mirav::cli

#endif
