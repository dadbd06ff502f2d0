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
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <utility>

namespace pvx {

// A thread in COM's multithreaded apartment that makes, renders and releases the graphs, one job
// after the other, so that the owner's thread never waits for DirectShow's slow calls (building
// a graph takes 150 to 500 ms under Wine).
class MediaThread {
 public:
  MediaThread() : thread_([this] { run(); }) {}
  // Ends once every job handed over has run.
  ~MediaThread() {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      stopping_ = true;
    }
    changed_.notify_all();
    thread_.join();
  }
  MediaThread(const MediaThread&) = delete;
  MediaThread& operator=(const MediaThread&) = delete;

  void post(std::function<void()> job) {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      jobs_.push_back(std::move(job));
    }
    changed_.notify_all();
  }

 private:
  void run() {
    const bool com = SUCCEEDED(CoInitializeEx(nullptr, COINIT_MULTITHREADED));
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      changed_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
      if (jobs_.empty())
        break;
      std::function<void()> job = std::move(jobs_.front());
      jobs_.pop_front();
      lock.unlock();
      job();
      lock.lock();
    }
    lock.unlock();
    if (com)
      CoUninitialize();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::function<void()>> jobs_;
  bool stopping_ = false;
  std::thread thread_;
};

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

// One graph's filter-graph manager and the views of it the player uses. Made, rendered and
// released on the media thread; used in between from the owner's thread (the filter-graph
// manager takes calls from any thread: it runs on a worker thread of DirectShow's own).
struct GraphObjects {
  IGraphBuilder* builder = nullptr;
  IMediaControl* control = nullptr;
  IMediaPosition* position = nullptr;
  IBasicAudio* audio = nullptr;
  IMediaEvent* events = nullptr;

  // A new filter-graph manager and its views; false when DirectShow gives none or not every view.
  bool make() {
    if (FAILED(CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER, IID_IGraphBuilder,
                                reinterpret_cast<void**>(&builder))) ||
        builder == nullptr)
      return false;
    builder->QueryInterface(IID_IMediaControl, reinterpret_cast<void**>(&control));
    builder->QueryInterface(IID_IMediaPosition, reinterpret_cast<void**>(&position));
    builder->QueryInterface(IID_IBasicAudio, reinterpret_cast<void**>(&audio));
    builder->QueryInterface(IID_IMediaEvent, reinterpret_cast<void**>(&events));
    return control != nullptr && position != nullptr && audio != nullptr && events != nullptr;
  }
  // Builds the whole graph for the file: this is where a file that is not audio or one without a
  // decoder fails.
  bool render(const std::wstring& file) const {
    BSTR name = SysAllocStringLen(file.data(), static_cast<UINT>(file.size()));
    if (name == nullptr)
      return false;
    const HRESULT result = control->RenderFile(name);
    SysFreeString(name);
    // A file whose sound could not be rendered would play nothing that this player can be heard
    // with.
    return SUCCEEDED(result) && result != VFW_S_AUDIO_NOT_RENDERED;
  }
  void releaseAll() {
    // Playing goes on in the graph's own threads until it is told to stop.
    if (control != nullptr)
      control->Stop();
    release(events);
    release(audio);
    release(position);
    release(control);
    release(builder);
  }
};

// A graph built on the media thread: what the owner's thread takes once it is done.
struct Building {
  std::mutex mutex;
  std::condition_variable done;
  bool finished = false;
  bool rendered = false;
  GraphObjects objects;
};

class DShowGraph final : public MediaGraph {
 public:
  explicit DShowGraph(MediaThread& thread) : thread_(thread) {}
  ~DShowGraph() override {
    // Released on the media thread, after a render still under way there.
    const std::shared_ptr<Building> building = std::move(building_);
    GraphObjects objects = std::exchange(objects_, GraphObjects{});
    thread_.post([building, objects]() mutable {
      objects.releaseAll();
      if (building)
        building->objects.releaseAll();
    });
  }
  DShowGraph(const DShowGraph&) = delete;
  DShowGraph& operator=(const DShowGraph&) = delete;

  // Waits for the render under way.
  bool renderFile(const std::string& path) override {
    const Render render = beginRender(path);
    if (render != Render::Pending)
      return render == Render::Done;
    {
      std::unique_lock<std::mutex> lock(building_->mutex);
      building_->done.wait(lock, [this] { return building_->finished; });
    }
    return takeBuilt();
  }

  Render beginRender(const std::string& path) override {
    if (rendered_ || building_)
      return Render::Failed;
    std::wstring wide;
    // A missing file fails at once, without a graph.
    if (!toWide(path, wide) || GetFileAttributesW(wide.c_str()) == INVALID_FILE_ATTRIBUTES)
      return Render::Failed;
    building_ = std::make_shared<Building>();
    thread_.post([building = building_, wide] {
      GraphObjects objects;
      const bool rendered = objects.make() && objects.render(wide);
      if (!rendered)
        objects.releaseAll();
      const std::lock_guard<std::mutex> lock(building->mutex);
      building->objects = objects;
      building->rendered = rendered;
      building->finished = true;
      building->done.notify_all();
    });
    return Render::Pending;
  }

  void dispatchEvents() override {
    if (building_) {
      {
        const std::lock_guard<std::mutex> lock(building_->mutex);
        if (!building_->finished)
          return;
      }
      raiseRendered(takeBuilt());
      return;
    }
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

  // Takes over the graph the media thread built; true when it rendered the file.
  bool takeBuilt() {
    const std::shared_ptr<Building> building = std::move(building_);
    {
      const std::lock_guard<std::mutex> lock(building->mutex);
      objects_ = std::exchange(building->objects, GraphObjects{});
      rendered_ = building->rendered;
    }
    builder_ = objects_.builder;
    control_ = objects_.control;
    position_ = objects_.position;
    audio_ = objects_.audio;
    events_ = objects_.events;
    if (rendered_)
      queryDuration();
    return rendered_;
  }

  MediaThread& thread_;
  std::shared_ptr<Building> building_;  // while the media thread builds the graph
  GraphObjects objects_;
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

DShowMediaBackEnd::DShowMediaBackEnd() : thread_(std::make_unique<MediaThread>()) {
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
  // The filter-graph manager itself is made on the media thread, with the render.
  return std::make_unique<DShowGraph>(*thread_);
}

}  // namespace pvx
