#pragma once

#include <QEvent>
#include <QObject>

#include "operations/operation_messages.h"

namespace vantoria {

// An operation message travelling through the Qt event queue. Handled in posting order, also
// by the nested loop of a modal dialog, so previews apply while the dialog is open.
class OperationEvent : public QEvent {
 public:
  static QEvent::Type EventType();
  explicit OperationEvent(const ops::OperationMessage& message)
      : QEvent(EventType()), m_message(message) {}
  const ops::OperationMessage& message() const { return m_message; }

 private:
  ops::OperationMessage m_message;
};

// Where posted operation messages go: the application object, or a recorder in tests.
void SetOperationTarget(QObject* target);
QObject* OperationTarget();
// Queues the message for the target; it is handled after the caller returns. Without a
// target the message is dropped.
void PostOperationMessage(const ops::OperationMessage& message);

}  // namespace vantoria
