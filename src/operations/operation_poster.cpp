#include "operations/operation_poster.h"

#include <QCoreApplication>
#include <QPointer>

namespace vantoria {
namespace {

QPointer<QObject>& Target() {
  static QPointer<QObject> target;
  return target;
}

}  // namespace

QEvent::Type OperationEvent::EventType() {
  static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
  return type;
}

void SetOperationTarget(QObject* target) {
  Target() = target;
}

QObject* OperationTarget() {
  return Target().data();
}

void PostOperationMessage(const ops::OperationMessage& message) {
  if (QObject* target = Target().data()) {
    QCoreApplication::postEvent(target, new OperationEvent(message));  // the queue owns it
  }
}

}  // namespace vantoria
