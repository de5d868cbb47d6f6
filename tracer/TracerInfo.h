// The tracer's title, version and description, as the About box and the application show them.
#pragma once

#include "frmAbout.h"

namespace tracer {

inline about::AppInfo TracerInfo() {
  return about::AppInfo{QStringLiteral("Quelbrin"), 1, 0, 2,
                        QStringLiteral("Sound Pressure Level and Impedance graph trace utility.")};
}

}  // namespace tracer
