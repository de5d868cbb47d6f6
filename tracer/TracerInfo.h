// The tracer's title, version, description and icon, as the About box and the application show
// them. The icon is the one installed for the desktop (desktop/quelbrin.svg, built in).
#pragma once

#include "frmAbout.h"

namespace tracer {

inline about::AppInfo TracerInfo() {
  return about::AppInfo{QStringLiteral("Quelbrin"),
                        1,
                        0,
                        2,
                        QStringLiteral("Sound Pressure Level and Impedance graph trace utility."),
                        QIcon(QStringLiteral(":/icons/quelbrin.svg"))};
}

}  // namespace tracer
