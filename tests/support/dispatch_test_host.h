#pragma once

#include <QStringList>
#include <optional>

#include "document/vantoria_doc.h"
#include "operations/operation_dispatcher.h"

namespace vantoria::test {

// A dispatcher host with its own document (or another one made active), a settable selection,
// the messages it was asked to show and a dispatcher that serves it.
struct TestHost : DispatchHost {
  TestHost() = default;
  explicit TestHost(ImagePtr picture) { document.InitImage(std::move(picture)); }
  void Post(std::uint32_t code, ops::WParam wParam, ops::LParam lParam) {
    dispatcher.Dispatch({code, wParam, lParam});
  }

  CVantoriaDoc document;
  CVantoriaDoc* active = &document;
  std::optional<Region> selection;
  QStringList shown;
  OperationDispatcher dispatcher{*this};

  CVantoriaDoc* ActiveDocument() override { return active; }
  std::optional<Region> GetSelectionRect() override { return selection; }
  void ShowMessage(const QString& text) override { shown.append(text); }
};

}  // namespace vantoria::test
