// The music run of ./bench.sh on the real GStreamer back end, driven as the playback engine
// drives it: a graph per track (the old one stopped and dropped first), the music timer's tick
// every 100 ms asking for the position and letting the graph tell of the track's end.
//
//   bench_music changes N FILE...   plays N tracks one after the other (the files in turn), then
//                                   prints the resident memory after the first track and the peak
//   bench_music play FILE           plays FILE once to its end (for its CPU, measured outside)
#include <malloc.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/gst/GstMediaBackEnd.h"

namespace {

long statusKb(const char* field) {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line))
    if (line.rfind(field, 0) == 0)
      return std::atol(line.c_str() + std::strlen(field));
  return 0;
}

// Plays file to its end; false when it cannot be opened or never ends.
bool playToEnd(pvx::GstMediaBackEnd& media, std::unique_ptr<pvx::MediaGraph>& graph,
               const std::string& file) {
  if (graph != nullptr)
    graph->stop();
  graph.reset();
  graph = media.createGraph();
  if (graph == nullptr)
    return false;
  bool ended = false;
  graph->setEndedHandler([&ended] { ended = true; });
  if (!graph->renderFile(file) || !graph->run())
    return false;
  graph->duration();
  const auto giveUp = std::chrono::steady_clock::now() + std::chrono::minutes(10);
  while (!ended && std::chrono::steady_clock::now() < giveUp) {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    graph->currentPosition();
    graph->dispatchEvents();
  }
  return ended;
}

}  // namespace

int main(int argc, char** argv) {
  // As the program's main() sets it: two heaps for the whole process.
  mallopt(M_ARENA_MAX, 2);
  const std::string mode = argc > 1 ? argv[1] : "";
  pvx::GstMediaBackEnd media;
  if (!media.available()) {
    std::fprintf(stderr, "bench_music: GStreamer could not be initialised\n");
    return 1;
  }
  std::unique_ptr<pvx::MediaGraph> graph;
  if (mode == "play" && argc == 3)
    return playToEnd(media, graph, argv[2]) ? 0 : 1;
  if (mode != "changes" || argc < 4) {
    std::fprintf(stderr, "usage: bench_music changes N FILE... | bench_music play FILE\n");
    return 2;
  }
  const int tracks = std::atoi(argv[2]);
  const std::vector<std::string> files(argv + 3, argv + argc);
  long afterFirst = 0;
  for (int track = 0; track < tracks; ++track) {
    if (!playToEnd(media, graph, files[static_cast<std::size_t>(track) % files.size()])) {
      std::fprintf(stderr, "bench_music: track %d did not play\n", track);
      return 1;
    }
    if (track == 0)
      afterFirst = statusKb("VmRSS:");
  }
  std::printf("after_first_kb=%ld\nafter_last_kb=%ld\npeak_kb=%ld\n", afterFirst,
              statusKb("VmRSS:"), statusKb("VmHWM:"));
  return 0;
}
