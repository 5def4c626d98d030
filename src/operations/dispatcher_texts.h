#pragma once

#include <QString>

namespace vantoria::texts {

inline QString CropNeedsSelection() {
  return QStringLiteral("请选择裁剪的区域");
}
inline QString OutOfMemory() {
  return QStringLiteral("内存不足，无法完成这项操作。");
}
inline QString StepTooLarge() {
  return QStringLiteral("这项操作需要的内存超出了编辑历史的限额，无法完成。");
}

}  // namespace vantoria::texts
