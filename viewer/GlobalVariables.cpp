#include "GlobalVariables.h"

#include <cmath>

namespace viewer {

double GlobalVariables::SafeLog10(double x) {
  if (x < 0.1) {
    return -10.0;
  }
  return std::log(x) / std::log(10.0);
}

}  // namespace viewer
