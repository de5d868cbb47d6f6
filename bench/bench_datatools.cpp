// Times the two steps behind a Normalize Data run on a large measurement: reading the file, and
// re-sampling it logarithmically at 2000 points per decade from 1 Hz to 100 kHz (the densest grid
// the dialog accepts). Prints the best of several runs of each.
//
// Usage: bench_datatools [file.frd]   (default: the 48000-point FFT export among the test fixtures)
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "DataTools.h"
#include "ResponseFile.h"

namespace {

constexpr int kRuns = 20;

using Clock = std::chrono::steady_clock;

double Milliseconds(Clock::duration d) { return std::chrono::duration<double, std::milli>(d).count(); }

// The best time of kRuns calls of `work`.
template <typename Work>
double BestOf(Work&& work) {
  Clock::duration best = Clock::duration::max();
  for (int run = 0; run < kRuns; ++run) {
    const Clock::time_point start = Clock::now();
    work();
    best = std::min(best, Clock::now() - start);
  }
  return Milliseconds(best);
}

}  // namespace

int main(int argc, char* argv[]) {
  const std::string path = argc > 1 ? argv[1] : DEFAULT_RESPONSE_FILE;

  data::ResponseSet source;
  bool readOk = false;
  const double readMs = BestOf([&] {
    std::ifstream in(path, std::ios::binary);
    source.Clear();
    readOk = in && data::ReadResponseFile(in, source);
  });
  if (!readOk) {
    std::fprintf(stderr, "cannot read %s\n", path.c_str());
    return 1;
  }

  const viewer::NormalizeSettings settings{1, 100000, 2000, true};
  data::ResponseSet normalized;
  const double normalizeMs = BestOf([&] { normalized = viewer::NormalizeLog(source, settings); });

  std::printf("file: %s (%d points)\n", path.c_str(), source.PointCount());
  std::printf("read:                         %8.3f ms\n", readMs);
  std::printf("normalize log, 2000/decade:   %8.3f ms (%d points)\n", normalizeMs, normalized.PointCount());
  return 0;
}
