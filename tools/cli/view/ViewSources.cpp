#include "ViewSources.h"

#include <algorithm>
#include <cstdlib>

#include "ExportModel.h"
#include "Json.h"
#include "Session.h"
#include "ViewStatistics.h"

namespace mirav::cli {
namespace {

using Clock = std::chrono::steady_clock;

constexpr int kForcePlateWaitMs = 3000;
// A live stream silent for this long shows as lost.
constexpr auto kStreamLostAfter = std::chrono::seconds(1);
constexpr auto kReplayTick = std::chrono::milliseconds(2);

std::string WithStatus(std::string messageStart, const std::string& status) {
    return messageStart + ",\"status\":" + status + "}";
}

}  // namespace

void FrameSlot::Publish(std::string messageStart) {
    std::lock_guard<std::mutex> guard(lock_);
    message_ = std::move(messageStart);
    ++sequence_;
}

bool FrameSlot::Newest(uint64_t* sequence, std::string* messageStart) {
    std::lock_guard<std::mutex> guard(lock_);
    if (sequence_ == 0 || sequence_ <= *sequence) return false;
    *sequence = sequence_;
    *messageStart = message_;
    if (sequence_ > sentUpTo_) {
        sentUpTo_ = sequence_;
        ++sent_;
    }
    return true;
}

uint64_t FrameSlot::Published() const {
    std::lock_guard<std::mutex> guard(lock_);
    return sequence_;
}

uint64_t FrameSlot::Skipped() const {
    std::lock_guard<std::mutex> guard(lock_);
    return sentUpTo_ - sent_;
}

void RateMeter::Tick(Clock::time_point now) {
    if (started_) {
        const double seconds = std::chrono::duration<double>(now - last_).count();
        // The mean time between frames over about the last second's frames, so bursts and
        // jitter average out.
        const double weight = std::clamp(interval_, 0.001, 1.0);
        interval_ = interval_ == 0 ? seconds : interval_ + (seconds - interval_) * weight;
        rate_ = interval_ > 0 ? 1.0 / interval_ : 0;
    }
    started_ = true;
    last_ = now;
}

bool LiveView::Start(const std::string& server, std::string& error) {
    InstallMessageCapture(client_);
    if (!ConnectClient(client_, server, error)) return false;
    started_ = true;
    sDataDescriptions* descriptions = nullptr;
    client_.GetDataDescriptions(&descriptions);
    scene_ = ViewScene::From(descriptions);
    if (descriptions != nullptr) client_.FreeDataDescriptions(descriptions);
    if (scene_.names.forcePlates > 0) client_.WaitForForcePlateInit(kForcePlateWaitMs);
    client_.SetForcePlateCallback(&LiveView::OnForcePlates, this);
    client_.SetDataCallback(&LiveView::OnFrame, this);
    return true;
}

void LiveView::Stop() {
    if (!started_) return;
    client_.SetDataCallback(nullptr, nullptr);
    client_.SetForcePlateCallback(nullptr, nullptr);
    client_.Uninitialize();
    started_ = false;
}

uint64_t LiveView::Received() const {
    std::lock_guard<std::mutex> guard(lock_);
    return received_;
}

void LiveView::OnForcePlates(sForcePlates* plates, void* context) {
    auto* view = static_cast<LiveView*>(context);
    if (view == nullptr || plates == nullptr) return;
    view->plates_ = *plates;
    view->havePlates_ = true;
}

void LiveView::OnFrame(sFrameOfMocapData* frame, void* context) {
    auto* view = static_cast<LiveView*>(context);
    if (view == nullptr || frame == nullptr) return;
    const sForcePlates* plates =
        view->havePlates_ && view->plates_.frameNumber == frame->frameNumber ? &view->plates_
                                                                             : nullptr;
    const FrameCopy copy = FrameCopy::From(*frame, plates, {});
    {
        std::lock_guard<std::mutex> guard(view->lock_);
        // A gap is a jump forward; a jump back means the server started counting again.
        if (view->received_ > 0 && frame->frameNumber > view->lastFrame_ + 1) {
            view->missing_ += static_cast<uint64_t>(frame->frameNumber - view->lastFrame_ - 1);
        }
        ++view->received_;
        view->lastFrame_ = frame->frameNumber;
        const auto now = Clock::now();
        view->rate_.Tick(now);
        view->lastArrival_ = now;
        if (view->units_.empty() && view->received_ <= 100) view->units_ = GuessUnits({copy});
    }
    view->slot_.Publish(FrameMessageStart(copy, view->scene_));
}

std::string LiveView::Status() {
    uint64_t received, missing;
    double rate;
    Clock::time_point last;
    {
        std::lock_guard<std::mutex> guard(lock_);
        received = received_;
        missing = missing_;
        rate = rate_.Rate();
        last = lastArrival_;
    }
    const LossCounters loss = CollectLossCounters(client_, missing);
    const char* state = received == 0                            ? "waiting"
                        : Clock::now() - last > kStreamLostAfter ? "lost"
                                                                 : "streaming";
    JsonWriter json;
    json.BeginObject().Key("state").String(state).Key("rate").Float(rate);
    json.Key("received").Int(static_cast<int64_t>(received));
    json.Key("missing").Int(static_cast<int64_t>(loss.missingFrames));
    json.Key("malformed").Int(static_cast<int64_t>(loss.malformedDatagrams));
    json.Key("incomplete").Int(static_cast<int64_t>(loss.incompleteMessages));
    json.Key("kernelDrops").Int(static_cast<int64_t>(loss.kernelDrops));
    json.Key("skipped").Int(static_cast<int64_t>(slot_.Skipped())).EndObject();
    return json.Text();
}

ViewHandlers LiveView::Handlers() {
    ViewHandlers handlers;
    handlers.scene = [this] {
        ViewScene scene = scene_;
        std::lock_guard<std::mutex> guard(lock_);
        scene.units = units_;
        return SceneMessage(scene, "live", 0);
    };
    handlers.newestFrame = [this](uint64_t* sequence, std::string* message) {
        std::string start;
        if (!slot_.Newest(sequence, &start)) return false;
        *message = WithStatus(std::move(start), Status());
        return true;
    };
    return handlers;
}

void ReplayView::Start(bool play) {
    scene_ = ViewScene::From(reader_.Descriptions());
    std::vector<FrameCopy> first;
    for (size_t i = 0; i < std::min<size_t>(reader_.FrameCount(), 10); ++i) {
        FrameCopy frame;
        if (reader_.Frame(i, frame)) first.push_back(std::move(frame));
    }
    scene_.units = GuessUnits(first);
    {
        std::lock_guard<std::mutex> guard(lock_);
        playing_ = play;
        anchor_ = Clock::now();
        anchorMicros_ = reader_.FrameMicros(0);
    }
    thread_ = std::thread([this] { Run(); });
}

void ReplayView::Stop() {
    {
        std::lock_guard<std::mutex> guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    if (thread_.joinable()) thread_.join();
}

bool ReplayView::Command(const std::string& text) {
    std::lock_guard<std::mutex> guard(lock_);
    const auto now = Clock::now();
    if (text == "play") {
        if (index_ + 1 >= reader_.FrameCount()) index_ = 0;  // played to the end: again
        playing_ = true;
    } else if (text == "pause") {
        playing_ = false;
    } else if (text.rfind("seek ", 0) == 0) {
        char* end = nullptr;
        const unsigned long long index = std::strtoull(text.c_str() + 5, &end, 10);
        if (end == text.c_str() + 5 || *end != '\0' || index >= reader_.FrameCount()) return false;
        index_ = static_cast<size_t>(index);
    } else {
        return false;
    }
    anchor_ = now;
    anchorMicros_ = reader_.FrameMicros(index_);
    dirty_ = true;
    wake_.notify_all();
    return true;
}

void ReplayView::Show(size_t index) {
    FrameCopy frame;
    if (!reader_.Frame(index, frame)) return;
    slot_.Publish(FrameMessageStart(frame, scene_));
    ++shown_;
}

// Plays in the recorded rhythm: the frame shown is the last one whose arrival time has come.
void ReplayView::Run() {
    std::unique_lock<std::mutex> guard(lock_);
    while (!stopping_) {
        if (playing_) {
            const auto elapsed =
                std::chrono::duration_cast<std::chrono::microseconds>(Clock::now() - anchor_)
                    .count();
            size_t next = index_;
            while (next + 1 < reader_.FrameCount() &&
                   reader_.FrameMicros(next + 1) - anchorMicros_ <= elapsed) {
                ++next;
            }
            if (next != index_) {
                index_ = next;
                dirty_ = true;
            }
            if (index_ + 1 >= reader_.FrameCount()) playing_ = false;  // the end
        }
        if (dirty_) {
            dirty_ = false;
            const size_t index = index_;
            guard.unlock();
            Show(index);
            guard.lock();
            continue;
        }
        wake_.wait_for(guard, kReplayTick);
    }
}

std::string ReplayView::Status() {
    size_t index;
    bool playing;
    {
        std::lock_guard<std::mutex> guard(lock_);
        index = index_;
        playing = playing_;
    }
    const bool ended = !playing && index + 1 >= reader_.FrameCount();
    JsonWriter json;
    json.BeginObject().Key("state").String(playing ? "playing" : ended ? "ended" : "paused");
    json.Key("rate").Float(reader_.EstimatedRate());
    json.Key("missing").Int(static_cast<int64_t>(reader_.Dropped()));
    json.Key("skipped").Int(static_cast<int64_t>(slot_.Skipped())).EndObject();
    return json.Text();
}

ViewHandlers ReplayView::Handlers() {
    ViewHandlers handlers;
    handlers.scene = [this] { return SceneMessage(scene_, "replay", reader_.FrameCount()); };
    handlers.newestFrame = [this](uint64_t* sequence, std::string* message) {
        std::string start;
        if (!slot_.Newest(sequence, &start)) return false;
        size_t index;
        bool playing;
        {
            std::lock_guard<std::mutex> guard(lock_);
            index = index_;
            playing = playing_;
        }
        JsonWriter replay;
        replay.BeginObject().Key("index").Int(static_cast<int64_t>(index));
        replay.Key("count").Int(static_cast<int64_t>(reader_.FrameCount()));
        replay.Key("playing").Bool(playing).EndObject();
        *message = WithStatus(std::move(start) + ",\"replay\":" + replay.Text(), Status());
        return true;
    };
    handlers.command = [this](const std::string& text) { Command(text); };
    return handlers;
}

}  // namespace mirav::cli
