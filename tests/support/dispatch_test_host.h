#pragma once

#include <QStringList>
#include <optional>

#include "document/vantoria_doc.h"
#include "operations/operation_dispatcher.h"

namespace vantoria::test {

// A dispatcher host with its own document (or another one made active), a settable selection
// and the messages it was asked to show.
struct TestHost : DispatchHost {
  CVantoriaDoc document;
  CVantoriaDoc* active = &document;
  std::optional<Region> selection;
  QStringList shown;

  CVantoriaDoc* ActiveDocument() override { return active; }
  std::optional<Region> GetSelectionRect() override { return selection; }
  void ShowMessage(const QString& text) override { shown.append(text); }
};

}  // namespace vantoria::test
