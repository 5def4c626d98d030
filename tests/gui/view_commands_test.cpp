// Catches a view handler that edits or selects by itself instead of posting, a message sent
// before the handler returns, and undo, redo or select all going astray (out of memory too).
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <algorithm>
#include <memory>
#include <vector>

#include "command_table.h"
#include "document/vantoria_doc.h"
#include "framework/user_prompts.h"
#include "operations/dispatcher_texts.h"
#include "operations/operation_poster.h"
#include "support/memory_runs_out.h"
#include "view/testing_hooks.h"
#include "view/vantoria_view.h"

namespace vantoria {
namespace {

using ops::OperationMessage;

class Recorder : public QObject {
 public:
  std::vector<OperationMessage> messages;
  bool event(QEvent* event) override {
    if (event->type() == OperationEvent::EventType()) {
      messages.push_back(static_cast<OperationEvent*>(event)->message());
      return true;
    }
    return QObject::event(event);
  }
};

class ViewCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ImagePtr image = CreateImage(100, 200);
    document.InitImage(std::move(image));
    view = std::make_unique<CVantoriaView>(&document);
    view->resize(800, 600);
    SetOperationTarget(&recorder);
    SetParameterDialogOpener([](int, QWidget*) {});  // dialogs are the menu suite's
  }
  void TearDown() override {
    SetOperationTarget(nullptr);
    SetParameterDialogOpener({});
  }
  // Runs the command and lets the posted messages arrive.
  std::vector<OperationMessage> Run(int id) {
    recorder.messages.clear();
    view->OnCommand(id);
    QCoreApplication::processEvents();
    return recorder.messages;
  }
  Pixel FirstPixel() const { return document.GetImage()->rows[0][0]; }

  CVantoriaDoc document;
  std::unique_ptr<CVantoriaView> view;
  Recorder recorder;
};

TEST_F(ViewCommandsTest, MessagesArriveAfterTheHandlerAndLeaveImageAndSelectionAlone) {
  view->OnEditSelectAll();
  const Pixel before = FirstPixel();
  view->OnCommand(32785);
  EXPECT_TRUE(recorder.messages.empty());
  QCoreApplication::processEvents();
  EXPECT_EQ(recorder.messages, std::vector<OperationMessage>({{1135, 64, 0}}));
  for (const test::ViewCommand& command : test::kViewCommands) {
    Run(command.id);
  }
  EXPECT_EQ(FirstPixel(), before);
  EXPECT_EQ(view->GetSelectionRect(), (Region{0, 0, 199, 99}));
  EXPECT_FALSE(document.IsModified());
}

TEST_F(ViewCommandsTest, OtherCommandsAndNoTargetAreHarmless) {
  EXPECT_TRUE(Run(57601).empty());  // open belongs to the application
  SetOperationTarget(nullptr);
  view->OnCommand(32784);
  QCoreApplication::processEvents();
  EXPECT_TRUE(recorder.messages.empty());
}

// Undoing or redoing a step whose picture has another size needs memory for it; without, the
// user is told and the picture stays.
TEST_F(ViewCommandsTest, UndoAndRedoWithoutMemoryForThePictureSaySo) {
  QStringList warnings;
  prompts::Hooks recording;
  recording.warning = [&](const QString& text) { warnings.append(text); };
  const prompts::ScopedHooks hooks(std::move(recording));
  ASSERT_TRUE(document.CommitStep(CreateHistoryStep(
      1132, std::nullopt, 0, 0, CloneImage(*document.GetImage()), CreateImage(3, 4))));
  {
    const test::MemoryRunsOut noMemory(0);
    Run(57643);
  }
  EXPECT_EQ(document.GetImage()->width, 4);
  EXPECT_EQ(warnings, QStringList{texts::OutOfMemory()});
  Run(57643);
  EXPECT_EQ(document.GetImage()->width, 200);
  {
    const test::MemoryRunsOut noMemory(0);
    Run(57643);  // nothing to undo: no memory needed, nothing said
    Run(57644);
  }
  EXPECT_EQ(document.GetImage()->width, 200);
  EXPECT_EQ(warnings.size(), 2);
  Run(57644);
  EXPECT_EQ(document.GetImage()->width, 4);
  Run(57644);  // nothing to redo
  EXPECT_EQ(warnings.size(), 2);
}

}  // namespace
}  // namespace vantoria
