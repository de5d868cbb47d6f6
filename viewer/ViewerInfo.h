// The viewer's title, version and description, as the About box and the application show them.
#pragma once

#include "frmAbout.h"

namespace viewer {

inline about::AppInfo ViewerInfo() {
  return about::AppInfo{QStringLiteral("Vostrel"), 1, 0, 1,
                        QStringLiteral("Sound Pressure Level and Impedance graph view utility.")};
}

}  // namespace viewer
