// Catches saves that block the window, edits during a save lost or marked saved, unwaited closes.
#include <QSemaphore>

#include "shell_fixture.h"

namespace vantoria::test {
namespace {

using namespace cmd;

// Every save's encoder waits at a gate the test opens.
class BackgroundSaveTest : public ShellTest {
 protected:
  void SetUp() override {
    SetSaveEncoder([this](const PixelImage& image, const QString& path, const ImageEncoder& encoder,
                          QString* error) {
      m_started.release();
      if (!m_gate.tryAcquire(1, 10000)) {
        *error = QStringLiteral("磁盘已满");
        return false;
      }
      return EncodeImageFile(image, path, encoder, error);
    });
    ShellTest::SetUp();
  }
  void TearDown() override {
    m_gate.release(8);  // never leave a worker waiting
    ShellTest::TearDown();
    SetSaveEncoder({});
  }
  // Runs the command and returns while the save it started is still encoding.
  void StartSave(int id) {
    Action(id)->trigger();
    ASSERT_TRUE(m_started.tryAcquire(1, 5000));
  }
  void OpenGate() { m_gate.release(); }

  QSemaphore m_gate;
  QSemaphore m_started;
};

TEST_F(BackgroundSaveTest, WindowRunsAndAnEditDuringTheSaveKeepsTheDocumentModified) {
  const QString path = WriteImage("photo.png", 64, 48, qRgb(10, 20, 30));
  Documents().OpenDocumentFile(path);
  Trigger(ID_ADJUST_INVERT);
  StartSave(ID_FILE_SAVE);
  int ticks = 0;
  QTimer timer;
  QObject::connect(&timer, &QTimer::timeout, [&ticks] { ++ticks; });
  timer.start(10);
  EXPECT_TRUE(QTest::qWaitFor([&ticks] { return ticks >= 3; }, 2000))
      << "the event loop runs while the file is encoded";
  EXPECT_EQ(frame->statusBar()->findChild<QLabel*>("savePane")->text(), "正在保存 photo.png…");
  EXPECT_TRUE(ActiveDocument()->IsModified()) << "not saved before the file is on disk";

  Action(ID_ADJUST_INVERT)->trigger();  // back to the file's colour, after the snapshot
  QCoreApplication::processEvents();
  OpenGate();
  Documents().WaitForSaves();
  EXPECT_EQ(QImage(path).pixel(3, 3), qRgb(245, 235, 225)) << "the file holds the snapshot";
  EXPECT_TRUE(ActiveDocument()->IsModified());
  EXPECT_TRUE(frame->statusBar()->findChild<QLabel*>("savePane")->isHidden());
  EXPECT_TRUE(warnings.isEmpty());
}

TEST_F(BackgroundSaveTest, CloseAndExitWaitForTheSave) {
  for (int id : {ID_FILE_CLOSE, ID_APP_EXIT}) {
    const QString path = WriteImage(QStringLiteral("%1.png").arg(id), 6, 6, qRgb(10, 20, 30));
    Documents().OpenDocumentFile(path);
    Trigger(ID_ADJUST_INVERT);
    StartSave(ID_FILE_SAVE);
    QTimer::singleShot(30, frame, [this] { OpenGate(); });
    Trigger(id);  // asks nothing: the save ends first, and the document is saved
    EXPECT_TRUE(questions.isEmpty());
    EXPECT_EQ(QImage(path).pixel(3, 3), qRgb(245, 235, 225));
    EXPECT_TRUE(Documents().Documents().isEmpty());
  }
}

}  // namespace
}  // namespace vantoria::test
