#pragma once

#include <QString>
#include <QStringList>
#include <optional>
#include <variant>

#include "core/region.h"
#include "operations/operation_messages.h"

namespace vantoria::batch {

struct PostMessage {
  ops::OperationMessage message;
};
struct SelectRegion {
  Region region;
};
struct SelectAll {};
struct SelectNone {};
struct UndoStep {};
struct RedoStep {};

using Action = std::variant<PostMessage, SelectRegion, SelectAll, SelectNone, UndoStep, RedoStep>;

struct Step {
  QString text;  // as the user wrote it, for messages
  Action action;
};

// Turns one command-line step into what the application would do for it: the operation
// message the matching dialog or command posts (the dialog's OK without a preview), or a
// selection or history action. Empty, with *error set, for an unknown step or a bad value.
[[nodiscard]] std::optional<Step> ParseStep(const QString& text, QString* error);

// The step list for --help, one line each.
QString StepHelp();

}  // namespace vantoria::batch
