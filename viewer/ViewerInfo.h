// The viewer's title, version, description and icon, as the About box and the application show
// them. The icon is the one installed for the desktop (desktop/vostrel.svg, built in).
#pragma once

#include "frmAbout.h"

namespace viewer {

inline about::AppInfo ViewerInfo() {
  return about::AppInfo{QStringLiteral("Vostrel"),
                        1,
                        0,
                        1,
                        QStringLiteral("Sound Pressure Level and Impedance graph view utility."),
                        QIcon(QStringLiteral(":/icons/vostrel.svg"))};
}

}  // namespace viewer
