// Numbers as the user types them into the tools' dialogs: the desktop's decimal separator reads
// as the decimal point beside "." ("1,5" is 1.5 under German settings, 1 under English ones, as
// the leading number of "1,5"). Files always keep ".".
#pragma once

#include <QLocale>
#include <QString>

#include "numbers.h"

namespace viewer {

// platform::LeadingNumber of `text` with the desktop's decimal separator taken as ".".
inline double TypedLeadingNumber(QString text) {
  const QString point = QLocale().decimalPoint();
  if (point != QLatin1String(".")) {
    text.replace(point, QLatin1String("."));
  }
  return platform::LeadingNumber(text.toStdString());
}

}  // namespace viewer
