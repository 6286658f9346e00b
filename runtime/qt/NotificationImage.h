#pragma once
// The image each notification carries, so that no desktop shows a placeholder: the PNG that
// ships beside the program when it is there, else the program's own built-in image as
// image-data. An icon theme needs neither.

#include <QString>

#include "runtime/qt/DesktopNotifications.h"

namespace tarvolin {

[[nodiscard]] DesktopNotifications::Image NotificationImage(const QString& programFolder);

}  // namespace tarvolin
