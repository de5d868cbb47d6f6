// Times the viewer's data work on large inputs: reading the 48 000-point FFT export, reading a
// million log-spaced points, re-sampling the 48 000 points onto 10 001 log-spaced points (2000
// per decade, 1 Hz to 100 kHz), and reading one 64 KiB line built to defeat the reader. Prints
// the median of several rounds of each, in ms and MB/s, and the peak memory of one more read of
// the million points. The million-point file is written by this program (see --write-million).
//
// Usage: bench_datatools [--rounds N] [--million FILE] [--write-million FILE]
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "DataTools.h"
#include "ResponseFile.h"
#include "numbers.h"

#ifdef __linux__
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace {

using Clock = std::chrono::steady_clock;

// The median time of `rounds` calls of `work`, in ms.
template <typename Work>
double MedianMs(int rounds, Work&& work) {
  std::vector<double> times;
  for (int run = 0; run < rounds; ++run) {
    const Clock::time_point start = Clock::now();
    work();
    times.push_back(std::chrono::duration<double, std::milli>(Clock::now() - start).count());
  }
  std::sort(times.begin(), times.end());
  return times[times.size() / 2];
}

double FileMb(const std::string& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  return static_cast<double>(in.tellg()) / 1e6;
}

bool ReadFile(const std::string& path, data::ResponseSet& set) {
  std::ifstream in(path, std::ios::binary);
  return in && data::ReadResponseFile(in, set);
}

// A million points log-spaced from 1 Hz to 100 kHz with a smooth magnitude and phase, in the
// layout Save As writes but with the phase rounded to 2 decimals, as measurement programs do.
bool WriteMillion(const std::string& path) {
  std::ofstream out(path, std::ios::binary);
  std::string text;
  constexpr int kPoints = 1000000;
  for (int i = 0; i < kPoints; ++i) {
    const double f = std::pow(10.0, 5.0 * i / (kPoints - 1));
    const double m = 85 + 6 * std::sin(std::log(f) * 1.7) - 20 * std::exp(-f / 200);
    const double p = std::remainder(f / 37.0, 360.0);
    text += platform::NumberText(f);
    text += ' ';
    text += platform::NumberText(platform::RoundToDecimals(m, 4));
    text += ' ';
    text += platform::NumberText(platform::RoundToDecimals(p, 2));
    text += "\r\n";
  }
  out << text;
  return static_cast<bool>(out);
}

// One line of 65535 characters that keeps an unreadable token open across 32 000 tabs: each tab
// completes it again, which costs a quadratic reader the whole token every time.
std::string HostileLine() {
  std::string line = "1 x";
  while (line.size() + 2 <= data::kMaxLineLength) {
    line += "\t1";
  }
  return line + "\r\n";
}

// The peak resident memory of a child process that reads `path` once, above the child's
// resident memory just before the read (MB).
double ReadPeakMb(const std::string& path) {
#ifdef __linux__
  const auto residentKb = [](const char* field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
      if (line.rfind(field, 0) == 0) {
        return std::stod(line.substr(std::strlen(field)));
      }
    }
    return 0.0;
  };
  int pipeEnds[2];
  if (pipe(pipeEnds) != 0) {
    return -1;
  }
  const pid_t child = fork();
  if (child == 0) {
    close(pipeEnds[0]);
    const double before = residentKb("VmRSS:");
    data::ResponseSet set;
    ReadFile(path, set);
    const double peak = residentKb("VmHWM:");
    const double grown = (peak - before) / 1024.0;
    const ssize_t written = write(pipeEnds[1], &grown, sizeof grown);
    _exit(written == sizeof grown ? 0 : 1);
  }
  close(pipeEnds[1]);
  double grown = -1;
  if (read(pipeEnds[0], &grown, sizeof grown) != sizeof grown) {
    grown = -1;
  }
  close(pipeEnds[0]);
  waitpid(child, nullptr, 0);
  return grown;
#else
  (void)path;
  return -1;
#endif
}

void Row(const char* what, double ms, double mb) {
  if (mb > 0) {
    std::printf("%-44s %9.3f ms %9.1f MB/s\n", what, ms, mb / (ms / 1000.0));
  } else {
    std::printf("%-44s %9.3f ms\n", what, ms);
  }
}

}  // namespace

int main(int argc, char* argv[]) {
  int rounds = 21;
  std::string million = "million-points.frd";
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--rounds") {
      rounds = std::max(1, std::atoi(argv[i + 1]));
    } else if (option == "--million") {
      million = argv[i + 1];
    } else if (option == "--write-million") {
      return WriteMillion(argv[i + 1]) ? 0 : 1;
    }
  }
  if (!std::ifstream(million) && !WriteMillion(million)) {
    std::fprintf(stderr, "cannot write %s\n", million.c_str());
    return 1;
  }

  const std::string fft = DEFAULT_RESPONSE_FILE;
  data::ResponseSet source;
  if (!ReadFile(fft, source)) {
    std::fprintf(stderr, "cannot read %s\n", fft.c_str());
    return 1;
  }
  std::printf("median of %d rounds\n", rounds);
  Row("read fft-linear-48000.frd", MedianMs(rounds, [&] { ReadFile(fft, source); }), FileMb(fft));

  data::ResponseSet big;
  const double millionMs = MedianMs(std::max(3, rounds / 4), [&] { ReadFile(million, big); });
  if (big.PointCount() != 1000000) {
    std::fprintf(stderr, "%s gave %d points\n", million.c_str(), big.PointCount());
    return 1;
  }
  Row("read 1 000 000 log-spaced points", millionMs, FileMb(million));

  const viewer::NormalizeSettings settings{1, 100000, 2000, true};
  data::ResponseSet normalized;
  Row("normalize 48 000 points onto 10 001 log points",
      MedianMs(rounds, [&] { normalized = viewer::NormalizeLog(source, settings); }), 0);

  const std::string hostile = HostileLine();
  data::ResponseSet line;
  Row("read one 64 KiB line of digits and tabs", MedianMs(rounds, [&] { data::ReadResponseText(hostile, line); }),
      static_cast<double>(hostile.size()) / 1e6);

  std::printf("%-44s %9.1f MB (the points: %.1f MB)\n", "peak memory of reading the million points",
              ReadPeakMb(million), 1000002.0 * sizeof(data::ResponsePoint) / (1024.0 * 1024.0));
  return 0;
}
