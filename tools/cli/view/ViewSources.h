// Where the view's frames come from: a live client of the capture server, or a recording played
// with play, pause and seek. Both keep only the newest frame for the pages.
#ifndef MIRAV_CLI_VIEW_VIEW_SOURCES_H
#define MIRAV_CLI_VIEW_VIEW_SOURCES_H

#include <mirav/Mirav.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

#include "RecordingReader.h"
#include "ViewJson.h"
#include "ViewServer.h"

namespace mirav::cli {

// The newest frame message (without its status). Pages that fall behind skip frames; the slot
// counts the frames no page was sent.
class FrameSlot {
public:
    void Publish(std::string messageStart);
    // The newest message if newer than *sequence.
    bool Newest(uint64_t* sequence, std::string* messageStart);
    uint64_t Published() const;
    uint64_t Skipped() const;

private:
    mutable std::mutex lock_;
    std::string message_;
    uint64_t sequence_ = 0;
    uint64_t sentUpTo_ = 0;  // the newest sequence sent to any page
    uint64_t sent_ = 0;      // distinct frames sent
};

// Frame rate from the mean time between frames over about the last second.
class RateMeter {
public:
    void Tick(std::chrono::steady_clock::time_point now);
    double Rate() const { return rate_; }

private:
    std::chrono::steady_clock::time_point last_{};
    bool started_ = false;
    double interval_ = 0;
    double rate_ = 0;
};

class ViewSource {
public:
    virtual ~ViewSource() = default;
    virtual ViewHandlers Handlers() = 0;
};

class LiveView : public ViewSource {
public:
    // Connects, reads the descriptions, prepares force plates and starts taking frames.
    bool Start(const std::string& server, std::string& error);
    void Stop();
    ViewHandlers Handlers() override;
    uint64_t Received() const;

private:
    static void OnFrame(sFrameOfMocapData* frame, void* context);
    static void OnForcePlates(sForcePlates* plates, void* context);
    std::string Status();

    MiravSDKClient client_;
    bool started_ = false;
    ViewScene scene_;
    FrameSlot slot_;
    // Only the receive thread touches the plates: their callback runs just before the frame's.
    sForcePlates plates_{};
    bool havePlates_ = false;

    mutable std::mutex lock_;  // guards what follows
    uint64_t received_ = 0, missing_ = 0;
    int32_t lastFrame_ = 0;
    RateMeter rate_;
    std::chrono::steady_clock::time_point lastArrival_{};
    std::string units_;
};

class ReplayView : public ViewSource {
public:
    explicit ReplayView(const RecordingReader& reader) : reader_(reader) {}
    ~ReplayView() override { Stop(); }
    // Starts playing from the first frame (paused when play is false).
    void Start(bool play);
    void Stop();
    ViewHandlers Handlers() override;
    // "play", "pause", "seek N" (N from 0); false for anything else.
    bool Command(const std::string& text);
    uint64_t Shown() const { return shown_.load(); }

private:
    void Run();
    void Show(size_t index);
    std::string Status();

    const RecordingReader& reader_;
    ViewScene scene_;
    FrameSlot slot_;
    std::thread thread_;
    std::mutex lock_;  // guards what follows
    std::condition_variable wake_;
    bool stopping_ = false, playing_ = false, dirty_ = true;
    size_t index_ = 0;
    // While playing: the recording time that plays at the anchor.
    std::chrono::steady_clock::time_point anchor_{};
    int64_t anchorMicros_ = 0;
    std::atomic<uint64_t> shown_{0};
};

}  // namespace mirav::cli

#endif
