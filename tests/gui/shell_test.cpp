// Catches start-up, menu-bar switching, open, close, save-changes, exit, recent-file and window
// arrangement faults of the application shell.
#include <QFile>
#include <QFileInfo>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QSettings>
#include <QTimer>

#include "res/command_ids.h"
#include "shell_fixture.h"

namespace vantoria::test {
namespace {

using namespace cmd;

QStringList MenuTitles(const CMainFrame& frame) {
  QStringList titles;
  for (const QAction* action : frame.menuBar()->actions()) {
    titles.append(action->text());
  }
  return titles;
}

const QStringList kMainMenus = {"文件(&F)", "查看(&V)", "帮助(&H)"};
const QStringList kDocumentMenus = {"文件(&F)", "编辑(&E)", "图像(&I)", "滤镜(&L)",
                                    "查看(&V)", "窗口(&W)", "帮助(&H)"};

TEST_F(ShellTest, StartsWithoutWindowAndWithTheShortMenuBar) {
  EXPECT_EQ(g_pMainFrame, frame);
  EXPECT_EQ(frame->windowTitle(), "Vantoria");
  EXPECT_TRUE(frame->isVisible());
  EXPECT_TRUE(frame->GetMdiArea()->subWindowList().isEmpty());
  EXPECT_EQ(MenuTitles(*frame), kMainMenus);
  EXPECT_EQ(app->ActiveDocument(), nullptr);
  EXPECT_EQ(app->GetSelectionRect(), std::nullopt);
  EXPECT_EQ(QCoreApplication::organizationName(), "Vantoria");
  EXPECT_EQ(QCoreApplication::applicationName(), "Vantoria");
  EXPECT_EQ(OperationTarget(), app.get());
}

class StartWithFileTest : public ShellTest {
 protected:
  void SetUp() override {
    startFiles = {WriteImage("start.png", 30, 20)};
    ShellTest::SetUp();
  }
};

TEST_F(StartWithFileTest, OpensTheNamedFileWithTheFullMenuBar) {
  ASSERT_EQ(frame->GetMdiArea()->subWindowList().size(), 1);
  ASSERT_NE(ActiveDocument(), nullptr);
  EXPECT_EQ(ActiveDocument()->GetImage()->width, 30);
  EXPECT_EQ(ActiveChild()->windowTitle(), "start.png[*]");
  EXPECT_EQ(MenuTitles(*frame), kDocumentMenus);
  EXPECT_EQ(app->ActiveDocument(), ActiveDocument());
  EXPECT_EQ(app->GetRecentFileList().Entries().value(0), startFiles.value(0));
}

class StartWithBadFileTest : public ShellTest {
 protected:
  void SetUp() override {
    startFiles = {TempPath("missing.png")};
    ShellTest::SetUp();
  }
};

TEST_F(StartWithBadFileTest, ReportsTheFileAndKeepsTheEmptyMainWindow) {
  ASSERT_EQ(warnings.size(), 1);
  EXPECT_TRUE(warnings.value(0).contains("missing.png"));
  EXPECT_TRUE(frame->isVisible());
  EXPECT_TRUE(frame->GetMdiArea()->subWindowList().isEmpty());
  EXPECT_EQ(MenuTitles(*frame), kMainMenus);
}

TEST_F(ShellTest, MenuBarFollowsTheImageWindows) {
  Documents().OpenDocumentFile(WriteImage("a.png", 8, 8));
  EXPECT_EQ(MenuTitles(*frame), kDocumentMenus);
  Documents().OpenDocumentFile(WriteImage("b.png", 8, 8));
  ActiveChild()->close();
  Settle();
  EXPECT_EQ(MenuTitles(*frame), kDocumentMenus) << "one window is left";
  ActiveChild()->close();
  Settle();
  EXPECT_EQ(ActiveChild(), nullptr);
  EXPECT_EQ(MenuTitles(*frame), kMainMenus);
  EXPECT_TRUE(Documents().Documents().isEmpty());
}

TEST_F(ShellTest, CaptionNamesTheActivePictureAndItsChanges) {
  Documents().OpenDocumentFile(WriteImage("a.png", 8, 8));
  CChildFrame* first = ActiveChild();
  EXPECT_EQ(frame->windowTitle(), "Vantoria - a.png[*]");
  Documents().OpenDocumentFile(WriteImage("b.png", 8, 8));
  Trigger(ID_ADJUST_INVERT);
  EXPECT_EQ(frame->windowTitle(), "Vantoria - b.png[*]");
  EXPECT_TRUE(frame->isWindowModified());
  frame->GetMdiArea()->setActiveSubWindow(first);
  EXPECT_EQ(frame->windowTitle(), "Vantoria - a.png[*]");
  EXPECT_FALSE(frame->isWindowModified());
  first->showMaximized();
  Settle();
  EXPECT_EQ(frame->windowTitle(), "Vantoria - [a.png[*]]");
  first->showNormal();
  Settle();
  EXPECT_EQ(frame->windowTitle(), "Vantoria - a.png[*]");
  first->close();
  Settle();
  EXPECT_EQ(frame->windowTitle(), "Vantoria - b.png[*]");
  answers = {prompts::SaveChangesAnswer::Discard};
  ActiveChild()->close();
  Settle();
  EXPECT_EQ(frame->windowTitle(), "Vantoria");
}

TEST_F(ShellTest, OpenCommandUsesTheOpenFilterAndOpensTheChosenFile) {
  openPath = WriteImage("chosen.png", 5, 4);
  QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
  QCoreApplication::processEvents();
  ASSERT_NE(ActiveDocument(), nullptr);
  EXPECT_EQ(ActiveDocument()->GetPathName(), openPath);
  ASSERT_FALSE(openFilters.isEmpty());
  EXPECT_TRUE(openFilters.first().contains("*.PNG")) << openFilters.first().toStdString();
  EXPECT_TRUE(openFilters.first().contains("*.png"));

  openPath.clear();  // cancelled dialog
  Trigger(ID_FILE_OPEN);
  EXPECT_EQ(Documents().Documents().size(), 1);
}

TEST_F(ShellTest, OpeningAnOpenFileBringsItsFirstWindowBack) {
  const QString path = WriteImage("same.png", 6, 6);
  CVantoriaDoc* first = Documents().OpenDocumentFile(path);
  CChildFrame* firstWindow = ActiveChild();
  Trigger(ID_WINDOW_NEW);
  Documents().OpenDocumentFile(WriteImage("other.png", 6, 6));
  ASSERT_NE(ActiveDocument(), first);

  // Another spelling of the same path.
  EXPECT_EQ(Documents().OpenDocumentFile(QFileInfo(path).absolutePath() + "/./same.png"), first);
  EXPECT_EQ(ActiveChild(), firstWindow);
  EXPECT_EQ(Documents().Documents().size(), 2);
}

TEST_F(ShellTest, RefusedFileNamesTheFileAndOpensNoWindow) {
  const QString path = TempPath("broken.png");
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("not an image");
  file.close();
  EXPECT_EQ(Documents().OpenDocumentFile(path), nullptr);
  ASSERT_EQ(warnings.size(), 1);
  EXPECT_TRUE(warnings.value(0).contains(path)) << warnings.value(0).toStdString();
  EXPECT_TRUE(frame->GetMdiArea()->subWindowList().isEmpty());
  EXPECT_TRUE(Documents().Documents().isEmpty());
}

TEST_F(ShellTest, NewDocumentHasNoImageIsIgnoredByOperationsAndRefusesToSave) {
  QTest::keyClick(frame, Qt::Key_N, Qt::ControlModifier);
  ASSERT_NE(ActiveDocument(), nullptr);
  EXPECT_FALSE(ActiveDocument()->HasImage());
  EXPECT_EQ(ActiveChild()->windowTitle(), "Vanto1[*]");
  Trigger(ID_FILE_NEW);
  EXPECT_EQ(ActiveChild()->windowTitle(), "Vanto2[*]");

  Trigger(ID_MIRROR_VERTICAL);
  Trigger(ID_IMAGE_CROP);
  EXPECT_FALSE(ActiveDocument()->IsModified());
  EXPECT_TRUE(warnings.isEmpty()) << "crop of no image says nothing";

  savePath = TempPath("empty.png");
  Trigger(ID_FILE_SAVE);
  EXPECT_EQ(savePrompts, 1) << "a document without a path asks where to save";
  ASSERT_EQ(warnings.size(), 1);
  EXPECT_FALSE(QFile::exists(savePath));
  EXPECT_EQ(ActiveChild()->windowTitle(), "Vanto2[*]");
}

TEST_F(ShellTest, CropWithoutSelectionAsksForOne) {
  Documents().OpenDocumentFile(WriteImage("crop.png", 10, 10));
  Trigger(ID_IMAGE_CROP);
  EXPECT_EQ(warnings, QStringList{"请选择裁剪的区域"});
  EXPECT_FALSE(ActiveDocument()->IsModified());

  warnings.clear();
  Trigger(ID_EDIT_SELECT_ALL);
  ASSERT_TRUE(app->GetSelectionRect().has_value());
  Trigger(ID_IMAGE_CROP);
  EXPECT_TRUE(warnings.isEmpty());
}

TEST_F(ShellTest, OperationsRunOnTheActiveWindowsDocument) {
  CVantoriaDoc* first = Documents().OpenDocumentFile(WriteImage("one.png", 4, 3));
  CVantoriaDoc* second = Documents().OpenDocumentFile(WriteImage("two.png", 4, 3));
  Trigger(ID_ROTATE_RIGHT_90);
  EXPECT_TRUE(second->IsModified());
  EXPECT_GT(second->GetImage()->height, 3) << "turned upright";
  EXPECT_FALSE(first->IsModified());
  EXPECT_EQ(first->GetImage()->width, 4);
  EXPECT_EQ(first->GetImage()->height, 3);
  EXPECT_EQ(ActiveChild()->windowTitle(), "two.png[*]");
  EXPECT_TRUE(ActiveChild()->isWindowModified());
}

// Pixels of a view's window as drawn now.
QImage Grab(CChildFrame* window) {
  return window->GetActiveView()->viewport()->grab().toImage();
}

TEST_F(ShellTest, SecondWindowNumbersTitlesAndRepaintsAfterAnEdit) {
  QImage picture(40, 30, QImage::Format_ARGB32);
  picture.fill(qRgb(0, 0, 255));
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 20; ++x) {
      picture.setPixel(x, y, qRgb(255, 0, 0));  // left half red
    }
  }
  const QString path = TempPath("halves.png");
  ASSERT_TRUE(picture.save(path));
  CVantoriaDoc* document = Documents().OpenDocumentFile(path);
  CChildFrame* first = ActiveChild();
  Trigger(ID_WINDOW_NEW);
  CChildFrame* second = ActiveChild();
  ASSERT_NE(first, second);
  EXPECT_EQ(second->GetDocument(), document);
  EXPECT_EQ(first->windowTitle(), "halves.png:1[*]");
  EXPECT_EQ(second->windowTitle(), "halves.png:2[*]");

  const QImage firstBefore = Grab(first);
  const QImage secondBefore = Grab(second);
  Trigger(ID_MIRROR_HORIZONTAL);
  ASSERT_TRUE(document->IsModified());
  EXPECT_NE(Grab(first), firstBefore);
  EXPECT_NE(Grab(second), secondBefore);
  EXPECT_TRUE(first->isWindowModified());
  EXPECT_TRUE(second->isWindowModified());

  // Closing one of two windows asks nothing; the other loses its number.
  second->close();
  Settle();
  EXPECT_TRUE(questions.isEmpty());
  EXPECT_EQ(first->windowTitle(), "halves.png[*]");
}

TEST_F(ShellTest, ClosingAModifiedDocumentAsksAndCancelKeepsIt) {
  Documents().OpenDocumentFile(WriteImage("keep.png", 6, 6));
  Trigger(ID_ADJUST_INVERT);
  answers = {prompts::SaveChangesAnswer::Cancel};
  Trigger(ID_FILE_CLOSE);
  Settle();
  EXPECT_EQ(questions, QStringList{"是否保存对 keep.png 的更改？"});
  ASSERT_NE(ActiveDocument(), nullptr);
  EXPECT_TRUE(ActiveDocument()->IsModified());

  // The window's own close button asks the same.
  answers = {prompts::SaveChangesAnswer::Discard};
  ActiveChild()->close();
  Settle();
  EXPECT_EQ(questions.size(), 2);
  EXPECT_EQ(ActiveChild(), nullptr);
  EXPECT_FALSE(QImage(TempPath("keep.png")).isNull());
}

TEST_F(ShellTest, CloseAsksOnceForADocumentWithSeveralWindowsAndClosesThemAll) {
  Documents().OpenDocumentFile(WriteImage("many.png", 6, 6));
  Trigger(ID_WINDOW_NEW);
  Trigger(ID_WINDOW_NEW);
  Trigger(ID_ADJUST_INVERT);
  ASSERT_EQ(frame->GetMdiArea()->subWindowList().size(), 3);
  answers = {prompts::SaveChangesAnswer::Discard};
  Trigger(ID_FILE_CLOSE);
  Settle();
  EXPECT_EQ(questions.size(), 1);
  EXPECT_TRUE(frame->GetMdiArea()->subWindowList().isEmpty());
  EXPECT_TRUE(Documents().Documents().isEmpty());
}

TEST_F(ShellTest, AboutCommandShowsTheBoxModallyAndEscCloses) {
  QString caption;
  QTimer::singleShot(3000, frame, [] {  // never hang the run should Esc not close it
    if (QWidget* box = QApplication::activeModalWidget()) {
      box->close();
    }
  });
  QTimer::singleShot(0, frame, [&caption] {
    QWidget* box = QApplication::activeModalWidget();
    ASSERT_NE(box, nullptr);
    caption = box->windowTitle();
    QTest::keyClick(box, Qt::Key_Escape);
  });
  Trigger(ID_APP_ABOUT);
  EXPECT_EQ(caption, "关于 Vantoria");
  EXPECT_EQ(QApplication::activeModalWidget(), nullptr);
}

TEST_F(ShellTest, SaveAnswerWritesTheFileBeforeClosing) {
  const QString path = WriteImage("saved.png", 6, 6, qRgb(10, 20, 30));
  Documents().OpenDocumentFile(path);
  Trigger(ID_ADJUST_INVERT);
  answers = {prompts::SaveChangesAnswer::Save};
  Trigger(ID_FILE_CLOSE);
  Settle();
  EXPECT_EQ(savePrompts, 0) << "saved in place";
  EXPECT_EQ(ActiveChild(), nullptr);
  EXPECT_EQ(QImage(path).pixel(3, 3), qRgb(245, 235, 225));
}

TEST_F(ShellTest, SaveAsCancelledSaysNothingAndUsesTheSaveFilter) {
  Documents().OpenDocumentFile(WriteImage("cancel.png", 6, 6));
  Trigger(ID_ADJUST_INVERT);
  Trigger(ID_FILE_SAVE_AS);
  EXPECT_EQ(savePrompts, 1);
  EXPECT_TRUE(warnings.isEmpty());
  EXPECT_TRUE(saveRequest.selectedFilter.startsWith("PNG")) << "the document's own type";
  ASSERT_FALSE(saveFilters.isEmpty());
  EXPECT_FALSE(saveFilters.first().startsWith(QString::fromUtf8("所有")))
      << "the save dialog lists formats only";
  EXPECT_TRUE(ActiveDocument()->IsModified());
}

TEST_F(ShellTest, SaveAsTakesTheNewNameAndTitle) {
  Documents().OpenDocumentFile(WriteImage("before.png", 6, 6));
  Trigger(ID_ADJUST_INVERT);
  savePath = TempPath("after.bmp");
  Trigger(ID_FILE_SAVE_AS);
  EXPECT_TRUE(QFile::exists(savePath));
  EXPECT_FALSE(ActiveDocument()->IsModified());
  EXPECT_EQ(ActiveDocument()->GetPathName(), savePath);
  EXPECT_EQ(ActiveChild()->windowTitle(), "after.bmp[*]");
  EXPECT_EQ(app->GetRecentFileList().Entries().value(0), savePath);
}

TEST_F(ShellTest, FailedSaveOnCloseShowsWhyAndKeepsTheWindow) {
  // A PNG under a name no encoder claims: it opens (by content) but is saved under a new name,
  // here one in a folder that does not exist.
  const QString path = TempPath("fail.xyz");
  ASSERT_TRUE(QFile::copy(WriteImage("source.png", 6, 6), path));
  ASSERT_NE(Documents().OpenDocumentFile(path), nullptr);
  Trigger(ID_ADJUST_INVERT);
  answers = {prompts::SaveChangesAnswer::Save};
  savePath = TempPath("missing/fail.png");
  ActiveChild()->close();
  Settle();
  EXPECT_EQ(savePrompts, 1);
  ASSERT_EQ(warnings.size(), 1);
  EXPECT_TRUE(warnings.value(0).contains("fail.png")) << warnings.value(0).toStdString();
  ASSERT_NE(ActiveChild(), nullptr);
  EXPECT_TRUE(ActiveDocument()->IsModified());
  EXPECT_EQ(ActiveChild()->windowTitle(), "fail.xyz[*]");
}

TEST_F(ShellTest, ExitAsksForEachModifiedDocumentAndCancelStops) {
  Documents().OpenDocumentFile(WriteImage("x.png", 5, 5));
  Trigger(ID_ADJUST_INVERT);
  Documents().OpenDocumentFile(WriteImage("y.png", 5, 5));
  Trigger(ID_ADJUST_INVERT);
  Documents().OpenDocumentFile(WriteImage("z.png", 5, 5));  // unmodified: not asked about

  answers = {prompts::SaveChangesAnswer::Discard, prompts::SaveChangesAnswer::Cancel};
  Trigger(ID_APP_EXIT);
  Settle();
  EXPECT_EQ(questions.size(), 2);
  EXPECT_TRUE(frame->isVisible());
  EXPECT_EQ(Documents().Documents().size(), 3);

  questions.clear();
  answers = {prompts::SaveChangesAnswer::Discard, prompts::SaveChangesAnswer::Discard};
  Trigger(ID_APP_EXIT);
  Settle();
  EXPECT_EQ(questions.size(), 2) << "each modified document once, not again as windows close";
  EXPECT_FALSE(frame->isVisible());
  EXPECT_TRUE(Documents().Documents().isEmpty());
}

TEST_F(ShellTest, RecentFilesKeepTheLastFiveInTheSettings) {
  for (int i = 0; i < 7; ++i) {
    Documents().OpenDocumentFile(WriteImage(QString("r%1.png").arg(i), 2, 2));
  }
  const QStringList entries = app->GetRecentFileList().Entries();
  ASSERT_EQ(entries.size(), 5);
  EXPECT_TRUE(entries.first().endsWith("r6.png"));
  EXPECT_TRUE(entries.last().endsWith("r2.png"));
  QSettings settings;
  EXPECT_EQ(settings.fileName(), SettingsFolder() + "/Vantoria/Vantoria.conf");
  EXPECT_EQ(settings.value("Recent File List/File1").toString(), entries.first());
  EXPECT_EQ(settings.value("Recent File List/File5").toString(), entries.last());
}

TEST_F(ShellTest, WindowMenuArrangesWindows) {
  Documents().OpenDocumentFile(WriteImage("w1.png", 50, 50));
  Documents().OpenDocumentFile(WriteImage("w2.png", 50, 50));
  const QList<QMdiSubWindow*> windows = frame->GetMdiArea()->subWindowList();
  ASSERT_EQ(windows.size(), 2);

  Trigger(ID_WINDOW_TILE_HORZ);
  EXPECT_FALSE(windows[0]->geometry().intersects(windows[1]->geometry()));

  Trigger(ID_WINDOW_CASCADE);
  EXPECT_NE(windows[0]->pos(), windows[1]->pos());
  EXPECT_TRUE(windows[0]->geometry().intersects(windows[1]->geometry()));

  for (QMdiSubWindow* window : windows) {
    window->showMinimized();
  }
  Trigger(ID_WINDOW_ARRANGE);
  const int bottom = frame->GetMdiArea()->viewport()->height();
  EXPECT_EQ(windows[0]->geometry().bottom() + 1, bottom);
  EXPECT_EQ(windows[0]->x(), 0);
  EXPECT_EQ(windows[1]->geometry().bottom() + 1, bottom);
  EXPECT_EQ(windows[1]->x(), windows[0]->width());
}

}  // namespace
}  // namespace vantoria::test
