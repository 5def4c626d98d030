// The view's command handlers: which message each posting command sends, that dialog commands
// open a dialog and post nothing themselves, and that undo, redo and select all act at once.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTest>
#include <QTimer>
#include <algorithm>
#include <memory>
#include <vector>

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

struct Opened {
  int id;
  QWidget* owner;
};

class ViewCommandsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ImagePtr image = CreateImage(100, 200);
    document.InitImage(std::move(image));
    view = std::make_unique<CVantoriaView>(&document);
    view->resize(800, 600);
    SetOperationTarget(&recorder);
    SetParameterDialogOpener([this](int id, QWidget* owner) { opened.push_back({id, owner}); });
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
  // Makes one history step that turns the image into `value`.
  void Edit(Pixel value) {
    ImagePtr after = CloneImage(*document.GetImage());
    std::fill(after->pixels(), after->pixels() + after->pixelCount(), value);
    ASSERT_TRUE(document.CommitStep(CreateHistoryStep(
        1128, std::nullopt, 0, 0, CloneImage(*document.GetImage()), std::move(after))));
  }
  Pixel FirstPixel() const { return document.GetImage()->rows[0][0]; }

  CVantoriaDoc document;
  std::unique_ptr<CVantoriaView> view;
  Recorder recorder;
  std::vector<Opened> opened;
};

struct Expected {
  int id;
  OperationMessage message;
};

// The numbers users' scripts and the dispatcher rely on, written out on purpose.
const Expected kPosting[] = {
    {32778, {1128, 0, 0}}, {32781, {1129, 0, 0}}, {32782, {1129, 1, 0}},  {32783, {1129, 2, 0}},
    {32780, {1131, 0, 0}}, {32772, {1133, 0, 0}}, {32784, {1135, 0, 0}},  {32785, {1135, 64, 0}},
    {32789, {1136, 0, 0}}, {32790, {1137, 0, 0}}, {32791, {1137, 1, 0}},  {32792, {1137, 2, 0}},
    {32786, {1138, 0, 0}}, {32788, {1140, 0, 0}}, {32795, {1134, 1, 90}}, {32796, {1134, 1, 270}},
};
const int kDialogs[] = {32775, 32776, 32801, 32779, 32800, 32773, 32787};

TEST_F(ViewCommandsTest, EachPostingCommandPostsExactlyItsMessage) {
  for (const Expected& expected : kPosting) {
    const auto messages = Run(expected.id);
    ASSERT_EQ(messages.size(), 1u) << expected.id;
    EXPECT_EQ(messages[0], expected.message) << expected.id;
  }
  EXPECT_TRUE(opened.empty());
}

TEST_F(ViewCommandsTest, MessageArrivesOnlyAfterTheHandlerReturns) {
  view->OnCommand(32785);
  EXPECT_TRUE(recorder.messages.empty());
  QCoreApplication::processEvents();
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_EQ(recorder.messages[0], (OperationMessage{1135, 64, 0}));
}

TEST_F(ViewCommandsTest, PostingCommandsLeaveImageAndSelectionAlone) {
  view->OnEditSelectAll();
  const Pixel before = FirstPixel();
  for (const Expected& expected : kPosting) {
    Run(expected.id);
  }
  EXPECT_EQ(FirstPixel(), before);
  EXPECT_EQ(view->GetSelectionRect(), (Region{0, 0, 199, 99}));
  EXPECT_FALSE(document.IsModified());
}

TEST_F(ViewCommandsTest, DialogCommandsOpenTheirDialogAndPostNothing) {
  auto frame = std::make_unique<QWidget>();
  view->setParent(frame.get());
  for (int id : kDialogs) {
    EXPECT_TRUE(Run(id).empty()) << id;
  }
  ASSERT_EQ(opened.size(), std::size(kDialogs));
  for (std::size_t i = 0; i < opened.size(); ++i) {
    EXPECT_EQ(opened[i].id, kDialogs[i]);
    EXPECT_EQ(opened[i].owner, frame.get());  // the top-level window owns the dialog
  }
  view->setParent(nullptr);
}

TEST_F(ViewCommandsTest, WithoutAnOpenerDialogCommandsRunTheirDialogModally) {
  SetParameterDialogOpener({});
  for (int id : kDialogs) {
    QString title;
    QTimer::singleShot(0, [&title] {
      if (QWidget* dialog = QApplication::activeModalWidget()) {
        title = dialog->windowTitle();
        dialog->close();  // closed straight away: nothing is posted
      }
    });
    EXPECT_TRUE(Run(id).empty()) << id;
    EXPECT_FALSE(title.isEmpty()) << id;
  }
  EXPECT_TRUE(opened.empty());
}

TEST_F(ViewCommandsTest, TheViewHandlesExactlyItsTwentySixCommands) {
  std::vector<int> handled;  // the added zoom and selection commands aside
  for (int id = 32700; id < 32900; ++id) {
    if (CVantoriaView::IsViewCommand(id) && !CVantoriaView::IsZoomCommand(id)) {
      handled.push_back(id);
    }
  }
  for (int id = 57600; id < 60000; ++id) {
    if (CVantoriaView::IsViewCommand(id) && !CVantoriaView::IsZoomCommand(id)) {
      handled.push_back(id);
    }
  }
  std::vector<int> expected = {57642, 57643, 57644};
  for (const Expected& posting : kPosting) {
    expected.push_back(posting.id);
  }
  expected.insert(expected.end(), std::begin(kDialogs), std::end(kDialogs));
  std::sort(expected.begin(), expected.end());
  std::sort(handled.begin(), handled.end());
  EXPECT_EQ(expected.size(), 26u);
  EXPECT_EQ(handled, expected);

  int dialogs = 0;
  for (int id : handled) {
    dialogs += CVantoriaView::IsDialogCommand(id) ? 1 : 0;
  }
  EXPECT_EQ(dialogs, 7);
  for (int id : kDialogs) {
    EXPECT_TRUE(CVantoriaView::IsDialogCommand(id));
  }
}

TEST_F(ViewCommandsTest, OtherCommandsAndNoTargetAreHarmless) {
  EXPECT_TRUE(Run(57601).empty());  // open belongs to the application
  SetOperationTarget(nullptr);
  view->OnCommand(32784);
  QCoreApplication::processEvents();
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(ViewCommandsTest, SelectAllCommandSelectsTheWholeImage) {
  EXPECT_TRUE(Run(57642).empty());
  EXPECT_EQ(view->GetSelectionRect(), (Region{0, 0, 199, 99}));
}

TEST_F(ViewCommandsTest, UndoAndRedoReachTheDocumentDirectly) {
  const Pixel original = FirstPixel();
  Edit(0xFF112233u);
  Edit(0xFF445566u);
  EXPECT_TRUE(Run(57643).empty());
  EXPECT_EQ(FirstPixel(), 0xFF112233u);
  Run(57643);
  EXPECT_EQ(FirstPixel(), original);
  EXPECT_FALSE(document.IsModified());
  Run(57643);  // nothing left to undo: nothing happens
  EXPECT_EQ(FirstPixel(), original);
  Run(57644);
  EXPECT_EQ(FirstPixel(), 0xFF112233u);
  Run(57644);
  Run(57644);  // nothing left to redo
  EXPECT_EQ(FirstPixel(), 0xFF445566u);
  EXPECT_TRUE(document.IsModified());
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

TEST_F(ViewCommandsTest, UndoRepaintsTheView) {
  view->show();
  ASSERT_TRUE(QTest::qWaitForWindowExposed(view.get()));
  Edit(0xFF0000FFu);
  EXPECT_EQ(view->viewport()->grab().toImage().pixel(400, 300) & 0xFFFFFFu, 0x0000FFu);
  Run(57643);
  EXPECT_EQ(view->viewport()->grab().toImage().pixel(400, 300) & 0xFFFFFFu, 0x000000u);
}

}  // namespace
}  // namespace vantoria
