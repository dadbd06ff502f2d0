// Runs a program and measures it from outside, for ./bench.sh.
//
//   bench_probe idle WARMUP SECONDS -- PROGRAM [ARG...]
//     lets the program start, waits WARMUP seconds, then measures SECONDS seconds; prints
//     "cpu_percent=<% of one core over the measured seconds> peak_rss_kb=<peak resident memory>
//     wakeups_per_s=<context switches of its threads a second: each time one of them woke>"
//   bench_probe together WARMUP SECONDS -- PROGRAM [ARG...] -- PROGRAM [ARG...] [-- ...]
//     starts the programs at once, waits WARMUP seconds, then measures them all over the same
//     SECONDS seconds; prints "cpu_percent_N=<...> peak_rss_kb_N=<...> wakeups_per_s_N=<...>" for
//     each, N from 1 (side by side, the machine's changing speed weighs on each of them alike)
//   bench_probe first-line TEXT TIMEOUT -- PROGRAM [ARG...]
//     prints "ms=<milliseconds from just before the process was made to the moment a line
//     holding TEXT appeared on its stderr>", or fails after TIMEOUT seconds
//
// The program is ended with SIGKILL afterwards, together with what it started (a game on pipes).
// Exit status 0 on success.
#include <fcntl.h>
#include <signal.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

pid_t spawn(char** argv, int stderrFd) {
  const pid_t pid = fork();
  if (pid < 0) {
    std::perror("fork");
    std::exit(1);
  }
  if (pid == 0) {
    // A group of its own, which the game it starts joins: ending the group ends them both.
    setpgid(0, 0);
    if (stderrFd >= 0)
      dup2(stderrFd, STDERR_FILENO);
    execvp(argv[0], argv);
    std::perror(argv[0]);
    _exit(127);
  }
  return pid;
}

void end(pid_t pid) {
  // The program and whatever it started (the game on pipes).
  kill(-pid, SIGKILL);
  waitpid(pid, nullptr, 0);
}

// CPU time of each thread of the process so far, in nanoseconds, by thread id (the scheduler's
// own account: far finer than the clock ticks of /proc/<pid>/stat).
std::map<std::string, double> threadCpuNs(pid_t pid) {
  std::map<std::string, double> out;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  std::error_code ec;
  for (const auto& task : std::filesystem::directory_iterator(tasks, ec)) {
    std::ifstream in(task.path() / "schedstat");
    double ns = 0;
    if (in >> ns)
      out[task.path().filename().string()] = ns;
  }
  return out;
}

// CPU time spent between two samples by the threads that lived through both.
double cpuSecondsBetween(const std::map<std::string, double>& a,
                         const std::map<std::string, double>& b) {
  double ns = 0;
  for (const auto& [tid, later] : b) {
    const auto earlier = a.find(tid);
    ns += later - (earlier == a.end() ? 0 : earlier->second);
  }
  return ns / 1e9;
}

// Context switches of every thread of the process so far, voluntary (it waited and was woken)
// and not (it was preempted): how often the process took the processor.
double contextSwitches(pid_t pid) {
  double total = 0;
  const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
  std::error_code ec;
  for (const auto& task : std::filesystem::directory_iterator(tasks, ec)) {
    std::ifstream in(task.path() / "status");
    std::string line;
    while (std::getline(in, line)) {
      if (line.find("ctxt_switches:") != std::string::npos)
        total += std::stod(line.substr(line.find(':') + 1));
    }
  }
  return total;
}

long peakRssKb(pid_t pid) {
  std::ifstream in("/proc/" + std::to_string(pid) + "/status");
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("VmHWM:", 0) == 0)
      return std::stol(line.substr(6));
  }
  return -1;
}

bool alive(pid_t pid) {
  return waitpid(pid, nullptr, WNOHANG) == 0;
}

int idle(double warmup, double seconds, char** argv) {
  // The program's own chatter on stderr would only get in the way of the figures.
  const int quiet = open("/dev/null", O_WRONLY);
  const pid_t pid = spawn(argv, quiet);
  close(quiet);
  std::this_thread::sleep_for(std::chrono::duration<double>(warmup));
  if (!alive(pid)) {
    std::fprintf(stderr, "bench_probe: %s ended during the warm-up\n", argv[0]);
    return 1;
  }
  const auto cpu0 = threadCpuNs(pid);
  const double switches0 = contextSwitches(pid);
  const auto t0 = Clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  const auto cpu1 = threadCpuNs(pid);
  const double switches = contextSwitches(pid) - switches0;
  const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
  const long peak = peakRssKb(pid);
  const bool ok = alive(pid);
  end(pid);
  if (!ok) {
    std::fprintf(stderr, "bench_probe: %s ended while being measured\n", argv[0]);
    return 1;
  }
  std::printf("cpu_percent=%.3f peak_rss_kb=%ld wakeups_per_s=%.1f\n",
              100.0 * cpuSecondsBetween(cpu0, cpu1) / wall, peak, switches / wall);
  return 0;
}

int together(double warmup, double seconds, const std::vector<char**>& programs) {
  const int quiet = open("/dev/null", O_WRONLY);
  std::vector<pid_t> pids;
  for (char** argv : programs)
    pids.push_back(spawn(argv, quiet));
  close(quiet);
  auto endAll = [&pids] {
    for (const pid_t pid : pids)
      end(pid);
  };
  std::this_thread::sleep_for(std::chrono::duration<double>(warmup));
  std::vector<std::map<std::string, double>> before;
  std::vector<double> switches;
  for (const pid_t pid : pids) {
    before.push_back(threadCpuNs(pid));
    switches.push_back(contextSwitches(pid));
  }
  const auto t0 = Clock::now();
  std::this_thread::sleep_for(std::chrono::duration<double>(seconds));
  std::vector<double> percent;
  for (std::size_t i = 0; i < pids.size(); ++i) {
    percent.push_back(100.0 * cpuSecondsBetween(before[i], threadCpuNs(pids[i])));
    switches[i] = contextSwitches(pids[i]) - switches[i];
  }
  const double wall = std::chrono::duration<double>(Clock::now() - t0).count();
  std::string line;
  for (std::size_t i = 0; i < pids.size(); ++i) {
    if (!alive(pids[i])) {
      std::fprintf(stderr, "bench_probe: %s ended while being measured\n", programs[i][0]);
      endAll();
      return 1;
    }
    char field[160];
    std::snprintf(field, sizeof field,
                  "%scpu_percent_%zu=%.3f peak_rss_kb_%zu=%ld wakeups_per_s_%zu=%.1f",
                  i == 0 ? "" : " ", i + 1, percent[i] / wall, i + 1, peakRssKb(pids[i]), i + 1,
                  switches[i] / wall);
    line += field;
  }
  endAll();
  std::printf("%s\n", line.c_str());
  return 0;
}

int firstLine(const std::string& text, double timeout, char** argv) {
  int fds[2];
  if (pipe(fds) != 0) {
    std::perror("pipe");
    return 1;
  }
  const auto t0 = Clock::now();
  const pid_t pid = spawn(argv, fds[1]);
  close(fds[1]);
  FILE* err = fdopen(fds[0], "r");
  std::thread watchdog([pid, timeout] {
    std::this_thread::sleep_for(std::chrono::duration<double>(timeout));
    kill(pid, SIGKILL);  // ends the read below if the line never came
  });
  watchdog.detach();
  char buffer[4096];
  while (std::fgets(buffer, sizeof buffer, err) != nullptr) {
    if (std::strstr(buffer, text.c_str()) != nullptr) {
      const double ms = std::chrono::duration<double, std::milli>(Clock::now() - t0).count();
      end(pid);
      std::printf("ms=%.1f\n", ms);
      return 0;
    }
  }
  end(pid);
  std::fprintf(stderr, "bench_probe: no line holding \"%s\" from %s\n", text.c_str(), argv[0]);
  return 1;
}

int usage() {
  std::fputs(
      "usage: bench_probe idle WARMUP SECONDS -- PROGRAM [ARG...]\n"
      "       bench_probe together WARMUP SECONDS -- PROGRAM [ARG...] -- PROGRAM [ARG...]...\n"
      "       bench_probe first-line TEXT TIMEOUT -- PROGRAM [ARG...]\n",
      stderr);
  return 2;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 7 && std::strcmp(argv[1], "together") == 0 && std::strcmp(argv[4], "--") == 0) {
    // Each "--" ends the program before it: the separators become the argument lists' ends.
    std::vector<char**> programs;
    for (int i = 4; i < argc; ++i) {
      if (std::strcmp(argv[i], "--") != 0)
        continue;
      argv[i] = nullptr;
      if (i + 1 < argc && std::strcmp(argv[i + 1], "--") != 0)
        programs.push_back(argv + i + 1);
    }
    if (programs.size() < 2)
      return usage();
    return together(std::atof(argv[2]), std::atof(argv[3]), programs);
  }
  if (argc < 6 || std::strcmp(argv[4], "--") != 0)
    return usage();
  const std::string mode = argv[1];
  if (mode == "idle")
    return idle(std::atof(argv[2]), std::atof(argv[3]), argv + 5);
  if (mode == "first-line")
    return firstLine(argv[2], std::atof(argv[3]), argv + 5);
  return usage();
}
