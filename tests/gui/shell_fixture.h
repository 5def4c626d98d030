#pragma once

// What the window tests share (the headers included here serve every suite), and a running
// application for the shell's tests: the application object with its main window,
// every question to the user answered by the test, and the settings kept away from the user's.

#include <gtest/gtest.h>

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QFile>
#include <QImage>
#include <QLabel>
#include <QMdiArea>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QStatusBar>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <deque>
#include <functional>
#include <memory>
#include <ostream>
#include <utility>
#include <vector>

#include "app/child_frame.h"
#include "app/document_manager.h"
#include "app/main_frame.h"
#include "app/testing_hooks.h"
#include "app/vantoria_app.h"
#include "document/vantoria_doc.h"
#include "framework/dialog_units.h"
#include "framework/user_prompts.h"
#include "operations/operation_poster.h"
#include "res/command_ids.h"
#include "support/image_test_util.h"
#include "view/vantoria_view.h"
#include "view/view_private.h"

namespace vantoria::ops {

// Failures show the three numbers.
inline void PrintTo(const OperationMessage& message, std::ostream* out) {
  *out << "{" << message.code << ", " << message.wParam << ", " << message.lParam << "}";
}

}  // namespace vantoria::ops

namespace vantoria::test {

// Becomes the operation target for its lifetime and keeps the messages posted to it.
class PostedMessages : public QObject {
 public:
  PostedMessages() { SetOperationTarget(this); }
  ~PostedMessages() override { SetOperationTarget(nullptr); }
  // Lets the posted messages arrive and hands over those not taken yet.
  std::vector<ops::OperationMessage> Take() {
    QCoreApplication::processEvents();
    return std::exchange(m_messages, {});
  }
  const std::vector<ops::OperationMessage>& Arrived() const { return m_messages; }
  bool event(QEvent* event) override {
    if (event->type() != OperationEvent::EventType()) {
      return QObject::event(event);
    }
    m_messages.push_back(static_cast<OperationEvent*>(event)->message());
    return true;
  }

 private:
  std::vector<ops::OperationMessage> m_messages;
};

// Hooks that keep the warnings shown and answer nothing else.
inline prompts::Hooks WarningsTo(QStringList& warnings) {
  prompts::Hooks hooks;
  hooks.warning = [&warnings](const QString& text) { warnings.append(text); };
  return hooks;
}

// Counts a widget's paints and keeps what `stamp` said at the last one.
class PaintCounter : public QObject {
 public:
  explicit PaintCounter(QWidget* widget, std::function<std::uint64_t()> stamp = {})
      : m_stamp(std::move(stamp)) {
    widget->installEventFilter(this);
  }
  bool eventFilter(QObject*, QEvent* event) override {
    if (event->type() == QEvent::Paint) {
      ++paints;
      stamp = m_stamp ? m_stamp() : 0;
    }
    return false;
  }
  int paints = 0;
  std::uint64_t stamp = 0;

 private:
  std::function<std::uint64_t()> m_stamp;
};

class ShellTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_files.isValid());
    ASSERT_TRUE(m_settings.isValid());
    // Each test keeps its settings to itself: away from the user's, and from tests running
    // at the same time.
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_settings.path());
    QApplication::setQuitOnLastWindowClosed(false);
    m_hooks = std::make_unique<prompts::ScopedHooks>(prompts::Hooks{
        [this](const QString& text) { warnings.append(text); },
        [this](const QString& question) {
          questions.append(question);
          EXPECT_FALSE(answers.empty()) << "unexpected question: " << question.toStdString();
          if (answers.empty()) {
            return prompts::SaveChangesAnswer::Cancel;
          }
          const prompts::SaveChangesAnswer answer = answers.front();
          answers.pop_front();
          return answer;
        },
        [this](const QStringList& filters) {
          openFilters = filters;
          return openPath.isEmpty() ? QStringList() : QStringList{openPath};
        },
        [this](const prompts::SavePathRequest& request) {
          saveRequest = request;
          ++savePrompts;
          return prompts::SavePathAnswer{
              savePath, saveFilter.isEmpty() ? request.selectedFilter : saveFilter};
        },
        [this](const QString& question) {
          questions.append(question);
          return yesAnswer;
        }});
    app = std::make_unique<CVantoriaApp>();
    ASSERT_TRUE(app->InitInstance(startFiles));
    frame = app->GetMainFrame();
    frame->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
  }

  void TearDown() override {
    app.reset();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    m_hooks.reset();
  }

  // A PNG of the given size in a temporary folder, filled with the colour but for one marked
  // corner pixel, so flips and turns are visible.
  QString WriteImage(const QString& name, int width, int height, QRgb colour = qRgb(200, 40, 10),
                     QRgb corner = qRgb(1, 2, 3)) {
    QImage image(width, height, QImage::Format_ARGB32);
    image.fill(colour);
    image.setPixel(0, 0, corner);
    const QString path = m_files.filePath(name);
    EXPECT_TRUE(image.save(path));
    return path;
  }
  QString TempPath(const QString& name) const { return m_files.filePath(name); }
  QString SettingsFolder() const { return m_settings.path(); }

  QAction* Action(int id) const {
    QAction* action = frame->FindAction(id);
    EXPECT_NE(action, nullptr) << "no action for command " << id;
    return action;
  }
  // Runs the command as the user's click on its menu item or button would, waits for the saves
  // it started and lets the windows it closed go.
  void Trigger(int id) {
    Action(id)->trigger();
    QCoreApplication::processEvents();  // posted operations run now
    Documents().WaitForSaves();
    Settle();
  }
  // Chooses the menu item; `drive` works the dialog from inside its modal loop and closes it.
  void RunDialog(int id, const std::function<void(QDialog&)>& drive) {
    bool driven = false;
    QTimer::singleShot(0, frame, [&] {
      auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
      ASSERT_NE(dialog, nullptr) << "command " << id << " opened no dialog";
      driven = true;
      EXPECT_TRUE(QTest::qWaitForWindowExposed(dialog));
      drive(*dialog);
      if (dialog->isVisible()) {
        ADD_FAILURE() << "the dialog was left open";
        dialog->done(QDialog::Rejected);
      }
    });
    Trigger(id);
    EXPECT_TRUE(driven);
    EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
  }
  CChildFrame* ActiveChild() const { return frame->MDIGetActive(); }
  CVantoriaDoc* ActiveDocument() const {
    return ActiveChild() ? ActiveChild()->GetDocument() : nullptr;
  }
  CDocManager& Documents() const { return app->GetDocManager(); }
  // Lets closed windows and documents go.
  static void Settle() {
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
  }

  QStringList startFiles;
  std::unique_ptr<CVantoriaApp> app;
  CMainFrame* frame = nullptr;

  QStringList warnings;
  QStringList questions;
  std::deque<prompts::SaveChangesAnswer> answers;
  QString openPath;
  QStringList openFilters;
  QString savePath;
  prompts::SavePathRequest saveRequest;
  QString saveFilter;  // the type the user picks; empty keeps the one proposed
  bool yesAnswer = true;
  int savePrompts = 0;

 private:
  QTemporaryDir m_files;
  QTemporaryDir m_settings;
  std::unique_ptr<prompts::ScopedHooks> m_hooks;
};

}  // namespace vantoria::test
