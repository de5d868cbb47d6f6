// The tracer's state shared by its windows: the trace options that the Trace Options dialog edits
// and tracing reads, and the number of recorded points. One instance per running program, made in
// main.cpp and passed to the windows by reference.
#pragma once

#include <cstdint>

namespace tracer {

struct GlobalVariables {
  bool useTraceLimits = false;       // true: steps from the start to the stop frequency; false: free-form
  std::int32_t traceStartFreq = 0;   // Hz, first frequency of a limited trace
  std::int32_t traceStopFreq = 0;    // Hz, last frequency of a limited trace
  std::int32_t tracePointLimit = 0;  // steps of a limited trace; recording stops beyond this count
  std::int32_t recordedPointCount = 0;
};

}  // namespace tracer
