#pragma once

#include <QString>

namespace kernwick {

// Whether a file lies on a volume that can be carried away: a removable disk or one attached from outside
// (USB, FireWire, Thunderbolt), as the kernel describes the block device under /sys. When that cannot be
// told (no block device, no such files), the volume counts as internal and fixed.
bool isOnRemovableVolume(const QString &path, const QString &sysfsRoot = QStringLiteral("/sys"));

} // namespace kernwick
