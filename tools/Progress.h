// A one-line progress bar on the terminal for long renders. It stays quiet
// unless it was given a terminal and the work has already taken a moment,
// so short runs and redirected output never see it.
#pragma once

#include <chrono>
#include <cstdint>
#include <iosfwd>
#include <string>

namespace host {

class ProgressBar
{
public:
    // out is null when there is no terminal to draw on.
    ProgressBar(std::ostream* out, int columns, int64_t total, std::string label);
    ~ProgressBar();

    void update(int64_t done);
    // Clears the bar's line if anything was drawn.
    void finish();

    // The line drawn for done out of total, at most columns wide.
    static std::string line(const std::string& label, int64_t done, int64_t total, int columns);

private:
    std::ostream* out_;
    int columns_;
    int64_t total_;
    std::string label_;
    std::chrono::steady_clock::time_point start_;
    std::chrono::steady_clock::time_point lastDraw_;
    bool drawn_ = false;
};

}  // namespace host
