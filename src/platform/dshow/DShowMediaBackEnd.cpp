#include "platform/dshow/DShowMediaBackEnd.h"

#include "core/player/TrackTimeline.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <dshow.h>

#include <cmath>
#include <string>

namespace pvx {

namespace {

constexpr long kSilence = -10000;
// Positions closer than this are the same position (the graph counts in 100 ns units).
constexpr double kSameSeconds = 0.001;

// The program's paths are UTF-8; DirectShow takes UTF-16. False for text that is not UTF-8 or
// holds a NUL, which no file name can.
bool toWide(const std::string& utf8, std::wstring& wide) {
  if (utf8.empty() || utf8.find('\0') != std::string::npos)
    return false;
  const int size = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                                       static_cast<int>(utf8.size()), nullptr, 0);
  if (size <= 0)
    return false;
  wide.assign(static_cast<std::size_t>(size), L'\0');
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8.data(),
                             static_cast<int>(utf8.size()), wide.data(), size) == size;
}

template <typename Interface>
void release(Interface*& object) {
  if (object != nullptr)
    object->Release();
  object = nullptr;
}

class DShowGraph final : public MediaGraph {
 public:
  // Takes over the caller's reference to the graph and asks it for the views the player uses.
  explicit DShowGraph(IGraphBuilder* builder) : builder_(builder) {
    builder_->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control_));
    builder_->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(&position_));
    builder_->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio_));
    builder_->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events_));
  }
  ~DShowGraph() override {
    // Playing goes on in the graph's own threads until it is told to stop.
    if (control_ != nullptr)
      control_->Stop();
    release(events_);
    release(audio_);
    release(position_);
    release(control_);
    release(builder_);
  }
  DShowGraph(const DShowGraph&) = delete;
  DShowGraph& operator=(const DShowGraph&) = delete;

  // Whether the graph offers every view the player needs.
  bool complete() const {
    return control_ != nullptr && position_ != nullptr && audio_ != nullptr && events_ != nullptr;
  }

  bool renderFile(const std::string& path) override {
    if (rendered_)
      return false;
    std::wstring wide;
    if (!toWide(path, wide))
      return false;
    BSTR name = SysAllocStringLen(wide.data(), static_cast<UINT>(wide.size()));
    if (name == nullptr)
      return false;
    // Builds the whole graph before it returns: this is where a missing file, a file that is not
    // audio or one without a decoder fails.
    const HRESULT result = control_->RenderFile(name);
    SysFreeString(name);
    // A file whose sound could not be rendered would play nothing that this player can be heard
    // with.
    if (FAILED(result) || result == VFW_S_AUDIO_NOT_RENDERED)
      return false;
    rendered_ = true;
    queryDuration();
    return true;
  }

  void dispatchEvents() override {
    if (!rendered_)
      return;
    // Takes the graph's notices and notices a position held at the end of the stream.
    currentPosition();
    if (timeline_.takeNewEnd())
      raiseEnded();
  }

  bool run() override {
    if (!rendered_)
      return false;
    takeEvents();
    if (FAILED(control_->Run()))
      return false;
    running_ = true;
    return true;
  }

  bool pause() override {
    if (!rendered_)
      return false;
    takeEvents();
    running_ = false;
    return SUCCEEDED(control_->Pause());
  }

  bool stop() override {
    if (!rendered_)
      return false;
    const std::optional<double> before = currentPosition();
    const bool ended = timeline_.ended();
    running_ = false;
    if (FAILED(control_->Stop()))
      return false;
    // Some graph managers (Wine's) fall back to where playback last started when stopped from
    // running; the position stays where playback stopped.
    REFTIME now = 0;
    if (!ended && before.has_value() &&
        (FAILED(position_->get_CurrentPosition(&now)) || std::fabs(now - *before) > kSameSeconds))
      position_->put_CurrentPosition(*before);
    return true;
  }

  std::optional<double> duration() override {
    if (!rendered_)
      return std::nullopt;
    takeEvents();
    if (!timeline_.ended())
      queryDuration();
    return timeline_.duration();
  }

  std::optional<double> currentPosition() override {
    if (!rendered_)
      return std::nullopt;
    takeEvents();
    if (timeline_.ended())
      return timeline_.endPosition();
    REFTIME seconds = 0;
    std::optional<double> told;
    if (SUCCEEDED(position_->get_CurrentPosition(&seconds)) && std::isfinite(seconds) &&
        seconds >= 0)
      told = seconds;
    const double position = timeline_.report(told);
    // The graph holds the position at the end of the stream while it plays out the last sound;
    // from here on the track has ended.
    if (timeline_.durationKnown() && position >= timeline_.length()) {
      timeline_.latchEnd(timeline_.length());
      return timeline_.endPosition();
    }
    return position;
  }

  bool setCurrentPosition(double seconds) override {
    if (!rendered_ || !std::isfinite(seconds))
      return false;
    // A completion notice from before the move must not end the track after it.
    takeEvents();
    if (timeline_.moveEndsTrack(seconds)) {
      // Held rather than moved, so that the graph sends no completion notice of its own later.
      control_->Pause();
      running_ = false;
      return true;
    }
    if (FAILED(position_->put_CurrentPosition(seconds)))
      return false;
    timeline_.moved(seconds);
    return true;
  }

  bool setRate(double rate) override {
    if (!rendered_ || !(rate > 0) || !std::isfinite(rate))
      return false;
    return SUCCEEDED(position_->put_Rate(rate));
  }

  bool setVolume(long hundredthsOfDecibel) override {
    if (!rendered_ || hundredthsOfDecibel > 0 || hundredthsOfDecibel < kSilence)
      return false;
    return SUCCEEDED(audio_->put_Volume(hundredthsOfDecibel));
  }

 private:
  bool queryDuration() {
    REFTIME seconds = 0;
    if (!timeline_.durationKnown() && SUCCEEDED(position_->get_Duration(&seconds)) &&
        std::isfinite(seconds) && seconds >= 0) {
      timeline_.setLength(seconds);
    }
    return timeline_.durationKnown();
  }

  // Takes the graph's notices without waiting: the end of playback and a playback that broke off
  // are remembered; the rest is dropped so that nothing piles up. Only a running graph can
  // finish: a notice that arrives after the graph was held or stopped belongs to what came
  // before.
  void takeEvents() {
    long code = 0;
    LONG_PTR first = 0;
    LONG_PTR second = 0;
    while (events_->GetEvent(&code, &first, &second, 0) == S_OK) {
      const bool finished = code == EC_COMPLETE || code == EC_ERRORABORT ||
                            code == EC_ERRORABORTEX || code == EC_USERABORT;
      events_->FreeEventParams(code, first, second);
      // A track that breaks off while playing counts as ended, so the player moves on.
      if (finished && running_ && !timeline_.ended()) {
        queryDuration();
        timeline_.latchEnd(timeline_.endOfStream());
      }
    }
  }

  IGraphBuilder* builder_ = nullptr;
  IMediaControl* control_ = nullptr;
  IMediaPosition* position_ = nullptr;
  IBasicAudio* audio_ = nullptr;
  IMediaEvent* events_ = nullptr;
  bool rendered_ = false;
  bool running_ = false;
  TrackTimeline timeline_;
};

}  // namespace

DShowMediaBackEnd::DShowMediaBackEnd() {
  const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (SUCCEEDED(result)) {
    // Also S_FALSE, when the thread had COM already: every successful call needs its balance.
    available_ = true;
    uninitialiseCom_ = true;
  } else if (result == RPC_E_CHANGED_MODE) {
    // The thread uses COM multithreaded already; the graphs work there too, and COM stays as
    // its owner left it.
    available_ = true;
  }
}

DShowMediaBackEnd::~DShowMediaBackEnd() {
  if (uninitialiseCom_)
    CoUninitialize();
}

std::unique_ptr<MediaGraph> DShowMediaBackEnd::createGraph() {
  if (!available_)
    return nullptr;
  IGraphBuilder* builder = nullptr;
  if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                              reinterpret_cast<void**>(&builder))) ||
      builder == nullptr)
    return nullptr;
  auto graph = std::make_unique<DShowGraph>(builder);
  if (!graph->complete())
    return nullptr;
  return graph;
}

}  // namespace pvx
