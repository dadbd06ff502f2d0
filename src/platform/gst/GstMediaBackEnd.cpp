#include "platform/gst/GstMediaBackEnd.h"

#include "core/player/TrackTimeline.h"

#include <gst/gst.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <thread>
#include <utility>

namespace pvx {

namespace {

// playbin's flags: audio only, with its own volume control. Video and subtitle streams of a file
// are not shown by this player.
constexpr guint kPlayFlagAudio = 1u << 1;
constexpr guint kPlayFlagSoftVolume = 1u << 4;

// How long opening a file may take to preroll before it counts as failed.
constexpr GstClockTime kPrerollTimeout = 5 * GST_SECOND;
// How long a seek may take to settle.
constexpr GstClockTime kSeekTimeout = 2 * GST_SECOND;
// How long to wait for the length of a format that tells it only once data flows.
constexpr gulong kDurationWaitUs = 2000000;
constexpr gulong kDurationPollUs = 10000;

// An .mp3 is decoded by mpg123 rather than by libav where both are installed. They have the same
// rank and libav's comes first by name, and loading it maps libavcodec, libavformat and
// libavfilter with everything they link (codecs, fonts, speech voices): about 33 MB of resident
// memory for the first .mp3, against nothing for mpg123. Formats only libav decodes (.wma) still
// load it. Ranks live in this process's copy of the registry only.
void preferMpg123() {
  GstElementFactory* mpg123 = gst_element_factory_find("mpg123audiodec");
  if (mpg123 == nullptr)
    return;
  guint libavRank = 0;
  for (const char* name : {"avdec_mp3", "avdec_mp3float"}) {
    if (GstElementFactory* libav = gst_element_factory_find(name)) {
      libavRank = std::max(libavRank, gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(libav)));
      gst_object_unref(libav);
    }
  }
  if (gst_plugin_feature_get_rank(GST_PLUGIN_FEATURE(mpg123)) <= libavRank)
    gst_plugin_feature_set_rank(GST_PLUGIN_FEATURE(mpg123), libavRank + 1);
  gst_object_unref(mpg123);
}

double toSeconds(gint64 nanoseconds) {
  return static_cast<double>(nanoseconds) / static_cast<double>(GST_SECOND);
}

}  // namespace

// The one playbin every track plays in, kept between tracks. Making a playbin for each track
// and dropping it afterwards left memory behind at every change: the audio output was looked
// for again (autoaudiosink opening and closing each output it tries, each leaving its
// libraries' caches larger). Kept in READY between tracks, the playbin keeps its output open
// and its elements made; only the decoder for the new file is built.
class GstMediaBackEnd::Pipeline {
 public:
  // The first playbin and its audio output are made on a thread of their own: looking for an
  // output loads and tries every one the machine might have, which takes tens of milliseconds
  // the program's windows need not wait for.
  Pipeline() : preparing_([this] { idle_ = make(); }) {}
  ~Pipeline() {
    if (preparing_.joinable())
      preparing_.join();
    if (idle_ != nullptr) {
      gst_element_set_state(idle_, GST_STATE_NULL);
      gst_object_unref(idle_);
    }
  }
  Pipeline(const Pipeline&) = delete;
  Pipeline& operator=(const Pipeline&) = delete;

  // The idle playbin, or a new one when it is taken (a graph still alive); null on failure.
  GstElement* take() {
    if (preparing_.joinable())
      preparing_.join();
    if (idle_ != nullptr)
      return std::exchange(idle_, nullptr);
    return make();
  }

 private:
  GstElement* make() {
    GstElement* playbin = gst_element_factory_make("playbin", nullptr);
    if (playbin == nullptr)
      return nullptr;
    playbin = static_cast<GstElement*>(gst_object_ref_sink(playbin));
    g_object_set(playbin, "flags", kPlayFlagAudio | kPlayFlagSoftVolume, nullptr);
    if (GstElement* sink = makeSink())
      g_object_set(playbin, "audio-sink", sink, nullptr);
    return playbin;
  }

 public:
  // A graph is done with its playbin: it is brought back to how take() handed it out (stopped,
  // its messages dropped, full volume) and kept for the next graph; a second one is let go.
  void giveBack(GstElement* playbin) {
    if (idle_ != nullptr) {
      gst_element_set_state(playbin, GST_STATE_NULL);
      gst_object_unref(playbin);
      return;
    }
    if (gst_element_set_state(playbin, GST_STATE_READY) == GST_STATE_CHANGE_FAILURE) {
      gst_element_set_state(playbin, GST_STATE_NULL);
      gst_object_unref(playbin);
      return;
    }
    if (GstBus* bus = gst_element_get_bus(playbin)) {
      while (GstMessage* message = gst_bus_pop(bus))
        gst_message_unref(message);
      gst_object_unref(bus);
    }
    g_object_set(playbin, "volume", 1.0, nullptr);
    idle_ = playbin;
  }

 private:
  // The audio output, chosen once. Left to itself, playbin makes an autoaudiosink for every file,
  // which tries each output in turn again (with nothing to play on, every one of them, loading
  // and failing each library anew); the output autoaudiosink settled on the first time is the
  // one it would settle on again.
  GstElement* makeSink() {
    if (sinkFactory_.empty()) {
      GstElement* probe = gst_element_factory_make("autoaudiosink", nullptr);
      if (probe == nullptr)
        return nullptr;
      gst_object_ref_sink(probe);
      if (gst_element_set_state(probe, GST_STATE_READY) != GST_STATE_CHANGE_FAILURE) {
        GstIterator* children = gst_bin_iterate_elements(GST_BIN(probe));
        GValue child = G_VALUE_INIT;
        if (gst_iterator_next(children, &child) == GST_ITERATOR_OK) {
          GstElementFactory* factory =
              gst_element_get_factory(GST_ELEMENT(g_value_get_object(&child)));
          if (factory != nullptr)
            sinkFactory_ = GST_OBJECT_NAME(factory);
          g_value_unset(&child);
        }
        gst_iterator_free(children);
      }
      gst_element_set_state(probe, GST_STATE_NULL);
      gst_object_unref(probe);
      if (sinkFactory_.empty())
        sinkFactory_ = "autoaudiosink";
    }
    GstElement* sink = gst_element_factory_make(sinkFactory_.c_str(), nullptr);
    // With no output at all the stand-in still plays in real time, as autoaudiosink's does.
    if (sink != nullptr && sinkFactory_ == "fakesink")
      g_object_set(sink, "sync", TRUE, nullptr);
    return sink;
  }

  GstElement* idle_ = nullptr;
  std::string sinkFactory_;
  std::thread preparing_;
};

namespace {

class GstGraph final : public MediaGraph {
 public:
  GstGraph(std::shared_ptr<GstMediaBackEnd::Pipeline> pipeline, GstElement* playbin)
      : pipeline_(std::move(pipeline)), playbin_(playbin) {
    // The position is asked of the audio output itself: asked of playbin, the question goes
    // round every element of the pipeline to find its outputs, ten times a second.
    g_object_get(playbin_, "audio-sink", &sink_, nullptr);
  }
  ~GstGraph() override {
    if (sink_ != nullptr)
      gst_object_unref(sink_);
    pipeline_->giveBack(playbin_);
  }
  GstGraph(const GstGraph&) = delete;
  GstGraph& operator=(const GstGraph&) = delete;

  // Waits for the preroll.
  bool renderFile(const std::string& path) override {
    const Render render = beginRender(path);
    if (render != Render::Pending)
      return render == Render::Done;
    prerolling_ = false;
    return prerolled(gst_element_get_state(playbin_, nullptr, nullptr, kPrerollTimeout));
  }

  Render beginRender(const std::string& path) override {
    if (rendered_ || prerolling_)
      return Render::Failed;
    GError* error = nullptr;
    gchar* uri = gst_filename_to_uri(path.c_str(), &error);
    if (uri == nullptr) {
      g_clear_error(&error);
      return Render::Failed;
    }
    g_object_set(playbin_, "uri", uri, nullptr);
    g_free(uri);

    // Prerolling reads and decodes the start of the file on GStreamer's own threads: this is
    // where a missing file, a file that is not audio or one without a decoder fails.
    const GstStateChangeReturn result = gst_element_set_state(playbin_, GST_STATE_PAUSED);
    if (result != GST_STATE_CHANGE_ASYNC)
      return prerolled(result) ? Render::Done : Render::Failed;
    prerolling_ = true;
    prerollSince_ = g_get_monotonic_time();
    return Render::Pending;
  }

  void dispatchEvents() override {
    if (prerolling_) {
      GstStateChangeReturn result = gst_element_get_state(playbin_, nullptr, nullptr, 0);
      const bool late = g_get_monotonic_time() - prerollSince_ >
                        static_cast<gint64>(kPrerollTimeout / GST_USECOND);
      if (result == GST_STATE_CHANGE_ASYNC && !late)
        return;
      prerolling_ = false;
      raiseRendered(prerolled(result));
      return;
    }
    if (!rendered_)
      return;
    drainBus();
    if (timeline_.takeNewEnd())
      raiseEnded();
  }

  bool run() override { return moveTo(GST_STATE_PLAYING); }
  bool pause() override { return moveTo(GST_STATE_PAUSED); }
  // Paused rather than torn down, so the graph keeps its file and can still be moved.
  bool stop() override { return moveTo(GST_STATE_PAUSED); }

  std::optional<double> duration() override {
    if (!rendered_)
      return std::nullopt;
    drainBus();
    // The length is asked of the pipeline once it is known only when the pipeline says it changed
    // (an .mp3 without a length header is first estimated from its bit rate).
    if (timeline_.ended() || (timeline_.durationKnown() && !durationChanged_))
      return timeline_.duration();
    durationChanged_ = false;
    if (!queryDuration() && playing_) {
      // An .mp3 without a length header may tell its length only once it is playing.
      for (gulong waited = 0; waited < kDurationWaitUs; waited += kDurationPollUs) {
        g_usleep(kDurationPollUs);
        drainBus();
        if (timeline_.ended() || queryDuration())
          break;
      }
    }
    return timeline_.duration();
  }

  std::optional<double> currentPosition() override {
    if (!rendered_)
      return std::nullopt;
    drainBus();
    if (timeline_.ended())
      return timeline_.endPosition();
    gint64 position = 0;
    if (gst_element_query_position(sink_ != nullptr ? sink_ : playbin_, GST_FORMAT_TIME,
                                   &position) &&
        position >= 0)
      return timeline_.report(toSeconds(position));
    return timeline_.report(std::nullopt);
  }

  bool setCurrentPosition(double seconds) override {
    if (!rendered_ || !std::isfinite(seconds))
      return false;
    drainBus();
    if (timeline_.moveEndsTrack(seconds)) {
      gst_element_set_state(playbin_, GST_STATE_PAUSED);
      playing_ = false;
      return true;
    }
    const auto target = static_cast<gint64>(seconds * static_cast<double>(GST_SECOND));
    if (!gst_element_seek(playbin_, rate_, GST_FORMAT_TIME,
                          static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                          GST_SEEK_TYPE_SET, target, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE))
      return false;
    gst_element_get_state(playbin_, nullptr, nullptr, kSeekTimeout);
    timeline_.moved(seconds);
    return true;
  }

  bool setRate(double rate) override {
    if (!rendered_ || !(rate > 0) || !std::isfinite(rate))
      return false;
    if (rate == rate_)
      return true;
    gint64 position = 0;
    if (!gst_element_query_position(playbin_, GST_FORMAT_TIME, &position))
      position = 0;
    if (!gst_element_seek(playbin_, rate, GST_FORMAT_TIME,
                          static_cast<GstSeekFlags>(GST_SEEK_FLAG_FLUSH | GST_SEEK_FLAG_ACCURATE),
                          GST_SEEK_TYPE_SET, position, GST_SEEK_TYPE_NONE, GST_CLOCK_TIME_NONE))
      return false;
    rate_ = rate;
    return true;
  }

  bool setVolume(long hundredthsOfDecibel) override {
    if (!rendered_ || hundredthsOfDecibel > 0 || hundredthsOfDecibel < -10000)
      return false;
    g_object_set(playbin_, "volume", GstMediaBackEnd::linearVolume(hundredthsOfDecibel), nullptr);
    return true;
  }

 private:
  bool abandon() {
    gst_element_set_state(playbin_, GST_STATE_READY);
    return false;
  }

  // How the preroll ended: true when the file is ready to play.
  bool prerolled(GstStateChangeReturn result) {
    drainBus();
    gint audioStreams = 0;
    g_object_get(playbin_, "n-audio", &audioStreams, nullptr);
    if (result != GST_STATE_CHANGE_SUCCESS && result != GST_STATE_CHANGE_NO_PREROLL)
      return abandon();
    if (failed_ || audioStreams <= 0)
      return abandon();
    rendered_ = true;
    queryDuration();
    return true;
  }

  bool moveTo(GstState state) {
    if (!rendered_)
      return false;
    drainBus();
    if (failed_ && !timeline_.ended())
      return false;
    // Returns at once; the pipeline gets there on its own threads.
    if (gst_element_set_state(playbin_, state) == GST_STATE_CHANGE_FAILURE)
      return false;
    playing_ = state == GST_STATE_PLAYING;
    return true;
  }

  bool queryDuration() {
    gint64 nanoseconds = 0;
    if (gst_element_query_duration(playbin_, GST_FORMAT_TIME, &nanoseconds) && nanoseconds >= 0) {
      timeline_.setLength(toSeconds(nanoseconds));
    }
    return timeline_.durationKnown();
  }

  // Takes the pipeline's messages: the end of the stream and errors are remembered; the rest is
  // dropped so that nothing piles up.
  void drainBus() {
    GstBus* bus = gst_element_get_bus(playbin_);
    if (bus == nullptr)
      return;
    while (GstMessage* message = gst_bus_pop(bus)) {
      switch (GST_MESSAGE_TYPE(message)) {
        case GST_MESSAGE_EOS:
          if (rendered_)
            trackEnded();
          break;
        case GST_MESSAGE_DURATION_CHANGED:
          durationChanged_ = true;
          break;
        case GST_MESSAGE_ERROR:
          failed_ = true;
          // A track that breaks while playing counts as ended, so the player moves on.
          if (rendered_)
            trackEnded();
          break;
        default:
          break;
      }
      gst_message_unref(message);
    }
    gst_object_unref(bus);
  }

  // The track has played out (or broken off): it ends where it got to.
  void trackEnded() {
    if (timeline_.ended())
      return;
    queryDuration();
    timeline_.latchEnd(timeline_.endOfStream());
  }

  std::shared_ptr<GstMediaBackEnd::Pipeline> pipeline_;
  GstElement* playbin_;
  GstElement* sink_ = nullptr;
  bool rendered_ = false;
  bool prerolling_ = false;  // the file was handed to the pipeline, which has not told how it went
  gint64 prerollSince_ = 0;  // microseconds, the monotonic clock
  bool durationChanged_ = false;
  bool playing_ = false;
  bool failed_ = false;
  TrackTimeline timeline_;
  double rate_ = 1.0;
};

}  // namespace

GstMediaBackEnd::GstMediaBackEnd() {
  GError* error = nullptr;
  available_ = gst_init_check(nullptr, nullptr, &error) == TRUE;
  g_clear_error(&error);
  if (available_) {
    preferMpg123();
    pipeline_ = std::make_shared<Pipeline>();
  }
}

GstMediaBackEnd::~GstMediaBackEnd() = default;

std::unique_ptr<MediaGraph> GstMediaBackEnd::createGraph() {
  if (!available_)
    return nullptr;
  GstElement* playbin = pipeline_->take();
  if (playbin == nullptr)
    return nullptr;
  return std::make_unique<GstGraph>(pipeline_, playbin);
}

double GstMediaBackEnd::linearVolume(long hundredthsOfDecibel) {
  return std::pow(10.0, static_cast<double>(hundredthsOfDecibel) / 2000.0);
}

}  // namespace pvx
