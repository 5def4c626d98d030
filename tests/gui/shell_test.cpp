// Catches wrong menus, keys, panes, posted commands, open/drop/close/save/exit and About faults.
#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QHelpEvent>
#include <QImageReader>
#include <QImageWriter>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMimeDatabase>
#include <QSet>
#include <QToolBar>
#include <QToolTip>
#include <QUrl>
#include <algorithm>

#include "app/about_dlg.h"
#include "app/lock_indicators.h"
#include "document/file_types.h"
#include "document/image_codecs.h"
#include "res/command_strings.h"
#include "shell_fixture.h"
#include "view/testing_hooks.h"

namespace vantoria::test {
namespace {

using namespace cmd;

// Menu entries as "text id" or "text id shortcut", "-" for a separator and "text[...]" for a
// menu with its entries, separated by commas.
QString Describe(const QList<QAction*>& actions) {
  QStringList entries;
  for (const QAction* action : actions) {
    const QString shortcut = action->shortcut().toString();
    entries.append(action->isSeparator() ? "-"
                   : action->menu()
                       ? action->text() + "[" + Describe(action->menu()->actions()) + "]"
                       : action->text() + " " + QString::number(action->data().toInt()) +
                             (shortcut.isEmpty() ? "" : " " + shortcut));
  }
  return entries.join(',');
}

// What each image window command does, written out from the documented command list (never
// read back from the program): the message a posting command sends, or none for the commands
// that open a parameter dialog.
struct ViewCommand {
  int id;
  std::optional<ops::OperationMessage> posts;
};

// clang-format off
constexpr ViewCommand kViewCommands[] = {
    {32778, {{1128, 0, 0}}}, {32781, {{1129, 0, 0}}}, {32782, {{1129, 1, 0}}},
    {32783, {{1129, 2, 0}}}, {32780, {{1131, 0, 0}}}, {32772, {{1133, 0, 0}}},
    {32784, {{1135, 0, 0}}}, {32785, {{1135, 64, 0}}}, {32789, {{1136, 0, 0}}},
    {32790, {{1137, 0, 0}}}, {32791, {{1137, 1, 0}}}, {32792, {{1137, 2, 0}}},
    {32786, {{1138, 0, 0}}}, {32788, {{1140, 0, 0}}}, {32795, {{1134, 1, 90}}},
    {32796, {{1134, 1, 270}}},
    {32775, {}}, {32776, {}}, {32801, {}}, {32779, {}}, {32800, {}}, {32773, {}}, {32787, {}},
};
// clang-format on

TEST_F(ShellTest, StartsWithoutWindowTheShortMenuBarTheAlwaysCommandsAndBothBars) {
  EXPECT_EQ(frame->windowTitle(), "Vantoria");
  EXPECT_TRUE(frame->GetMdiArea()->subWindowList().isEmpty());
  EXPECT_EQ(app->GetSelectionRect(), std::nullopt);
  EXPECT_EQ(Describe(frame->menuBar()->actions()),
            "文件(&F)[打开(&O)... 57601 Ctrl+O,-,退出(&X) 57665],查看(&V)[工具栏(&T) 59392,"
            "状态栏(&S) 59393],帮助(&H)[关于 Vantoria(&A)... 57664]");
  for (int id : {ID_FILE_OPEN, ID_APP_EXIT, ID_APP_ABOUT, ID_VIEW_TOOLBAR, ID_FILE_NEW}) {
    EXPECT_TRUE(Action(id)->isEnabled()) << id;
  }
  for (int id : {ID_FILE_SAVE, ID_MIRROR_VERTICAL, ID_EDIT_UNDO, ID_FILE_CLOSE, ID_WINDOW_NEW}) {
    EXPECT_FALSE(Action(id)->isEnabled()) << id;
  }
  // The view menu toggles the bars.
  for (const auto& [id, bar] : {std::pair<int, QWidget*>(ID_VIEW_TOOLBAR, frame->GetToolBar()),
                                {ID_VIEW_STATUS_BAR, frame->statusBar()}}) {
    EXPECT_TRUE(Action(id)->isChecked() && bar->isVisible()) << id;
    Action(id)->trigger();
    EXPECT_FALSE(Action(id)->isChecked() || bar->isVisible()) << id;
    Action(id)->trigger();
    EXPECT_TRUE(bar->isVisible()) << id;
  }
  frame->GetToolBar()->hide();  // hidden some other way, the tick follows
  EXPECT_FALSE(Action(ID_VIEW_TOOLBAR)->isChecked());
}

class StartWithFilesTest : public ShellTest {
 protected:
  void SetUp() override {
    startFiles = {TempPath("missing.png"), WriteImage("start.png", 30, 20)};
    ShellTest::SetUp();
  }
};

TEST_F(StartWithFilesTest, OpensTheNamedFilesAndReportsTheMissingOne) {
  EXPECT_EQ(warnings.size(), 1);
  EXPECT_TRUE(warnings.value(0).contains("missing.png"));
  ASSERT_EQ(frame->GetMdiArea()->subWindowList().size(), 1);
  EXPECT_EQ(ActiveDocument()->GetImage()->width, 30);
  EXPECT_EQ(ActiveChild()->windowTitle(), "start.png[*]");
  EXPECT_EQ(app->GetRecentFileList().Entries().value(0), startFiles.value(1));
}

class DocumentTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    document = Documents().OpenDocumentFile(WriteImage("menu.png", 12, 8));
    ASSERT_NE(document, nullptr);
  }
  CVantoriaDoc* document = nullptr;
};

const QString kFullMenuBar =
    "文件(&F)[打开(&O)... 57601 Ctrl+O,关闭(&C) 57602,保存(&S) 57603 Ctrl+S,另存为(&A)... 57604,-,"
    "退出(&X) 57665],编辑(&E)[撤消(&U) 57643 Ctrl+Z,重做(&R) 57644 Ctrl+Y,-,全选(&A) 57642 Ctrl+A,"
    "-,取消选择(&D) 32814 Ctrl+D,复制(&C) 57634 Ctrl+C,粘贴为新图像(&P) 57637 Ctrl+V],"
    "图像(&I)[调整(&A)[亮度/对比度(&B) 32775,透明度(&T) 32776,-,色相/饱和度/明度(&H) 32801,"
    "反色(&I) 32778,转为灰度图(&G)[最大值法(&M) 32781,平均值法(&V) 32782,加权平均值法(&W) 32783],"
    "二值化(&D) 32779,-,消除红眼(&R) 32780],-,尺寸(&S) 32800,裁剪(&C) 32772,-,旋转(&R) 32773,"
    "镜像(&F)[水平镜像(&H) 32784,垂直镜像(&V) 32785]],滤镜(&L)[锐化(&P)[拉普拉斯锐化(&L) 32789],"
    "柔化(&O)[简单柔化(&S) 32790,高斯柔化(&G) 32791,中值滤波(&V) 32792],浮雕效果(&V) 32786,"
    "马赛克效果(&M) 32787,素描图效果(&K) 32788],查看(&V)[工具栏(&T) 59392,状态栏(&S) 59393,-,"
    "放大(&I) 32810 Ctrl++,缩小(&O) 32811 Ctrl+-,实际大小(&A) 32812 Ctrl+0,"
    "适合窗口(&F) 32813 Ctrl+B],窗口(&W)[新建窗口(&N) 57648,层叠(&C) 57650,平铺(&T) 57651,"
    "排列图标(&A) 57649],帮助(&H)[关于 Vantoria(&A)... 57664]";

TEST_F(DocumentTest, FullMenuBarAndToolBarHaveEveryItemInOrder) {
  EXPECT_EQ(Describe(frame->menuBar()->actions()), kFullMenuBar);
  for (int id : res::CommandIds()) {
    EXPECT_TRUE(Action(id)->isEnabled()) << id;
  }
  // The toolbar's buttons in groups, and it docks anywhere.
  QToolBar* bar = frame->GetToolBar();
  QStringList layout;
  for (const QAction* action : bar->actions()) {
    layout.append(action->isSeparator() ? "|" : QString::number(action->data().toInt()));
    EXPECT_TRUE(action->isSeparator() || !action->icon().isNull()) << action->data().toInt();
  }
  EXPECT_EQ(layout.join(' '),
            "57601 57603 57604 | 32784 32785 | 32795 32796 | 57643 57644 | 57642 | "
            "32810 32811 32812 32813");
  EXPECT_EQ(bar->iconSize(), QSize(16, 16));
  EXPECT_TRUE(bar->isMovable() && bar->isFloatable());
  EXPECT_EQ(bar->allowedAreas(), Qt::AllToolBarAreas);
}

TEST_F(DocumentTest, PromptsAndTooltipsComeFromTheCommandStrings) {
  const struct {
    int id;
    const char* prompt;
    const char* tip;
  } rows[] = {{ID_ROTATE_RIGHT_90, "向右旋转90度", "右旋90度"},
              {ID_EDIT_UNDO, nullptr, "撤销"},
              {ID_FILTER_EMBOSS, "浮雕效果", ""},
              {ID_IMAGE_SIZE, "", nullptr},
              {ID_ADJUST_HSL, "", nullptr},
              {ID_APP_EXIT, "退出应用程序；提示保存文档", nullptr}};
  for (const auto& row : rows) {
    EXPECT_TRUE(!row.prompt || Action(row.id)->statusTip() == row.prompt) << row.id;
    EXPECT_TRUE(!row.tip || res::ToolTip(row.id) == row.tip) << row.id;
  }
  QWidget* button = frame->GetToolBar()->widgetForAction(Action(ID_ROTATE_RIGHT_90));
  auto* idle = frame->statusBar()->findChild<QLabel*>("idlePane");
  ASSERT_TRUE(button && idle);
  EXPECT_EQ(idle->text(), "就绪");
  QTest::mouseMove(button);
  QTest::qWait(20);
  EXPECT_EQ(frame->statusBar()->currentMessage(), "向右旋转90度");
  QHelpEvent help(QEvent::ToolTip, button->rect().center(),
                  button->mapToGlobal(button->rect().center()));
  QApplication::sendEvent(button, &help);
  EXPECT_EQ(QToolTip::text(), "右旋90度");
  QTest::mouseMove(frame->GetMdiArea()->viewport(), QPoint(5, 5));
  QTest::qWait(20);
  EXPECT_EQ(frame->statusBar()->currentMessage(), "");
  EXPECT_TRUE(idle->isVisible());
  QToolTip::hideText();
}

TEST_F(ShellTest, EachLockPaneFollowsItsOwnKey) {
  const LockIndicators* shown = frame->GetLockIndicators();
  const QLabel* panes[] = {shown->CapsPane(), shown->NumPane(), shown->ScrollPane()};
  EXPECT_EQ(QStringList({panes[0]->text(), panes[1]->text(), panes[2]->text()}),
            QStringList({"大写", "数字", "滚动"}));
  EXPECT_TRUE(panes[0]->x() < panes[1]->x() && panes[1]->x() < panes[2]->x());
  LockKeyState keys;
  SetLockKeyReader([&keys] { return std::optional<LockKeyState>(keys); });
  QStatusBar bar;
  LockIndicators indicators(&bar);
  SetLockKeyReader({});
  for (const LockKeyState state :
       {LockKeyState{true, false, false}, LockKeyState{false, true, false},
        LockKeyState{false, false, true}, LockKeyState{}}) {
    keys = state;
    EXPECT_TRUE(QTest::qWaitFor([&] {
      return indicators.CapsPane()->isEnabled() == state.capsLock &&
             indicators.NumPane()->isEnabled() == state.numLock &&
             indicators.ScrollPane()->isEnabled() == state.scrollLock;
    })) << state.capsLock
        << state.numLock << state.scrollLock;
  }
}

// Through the menu, the view and the poster: each posting command sends exactly its message and
// leaves the picture alone; each dialog command opens its dialog, owned by the main window.
TEST_F(DocumentTest, EveryImageCommandDoesWhatTheTableSays) {
  PostedMessages posted;
  std::vector<int> opened;
  SetParameterDialogOpener([&](int id, QWidget* owner) {
    opened.push_back(id);
    EXPECT_EQ(owner, frame);
  });
  Trigger(ID_EDIT_SELECT_ALL);
  const QRgb before = document->GetImage()->rows[3][3];
  Action(ID_MIRROR_VERTICAL)->trigger();
  EXPECT_TRUE(posted.Arrived().empty()) << "posted, to run after the handler";
  posted.Take();
  for (const ViewCommand& command : kViewCommands) {
    opened.clear();
    Trigger(command.id);
    EXPECT_EQ(posted.Take(),
              command.posts ? std::vector{*command.posts} : std::vector<ops::OperationMessage>{})
        << command.id;
    EXPECT_EQ(opened, command.posts ? std::vector<int>{} : std::vector{command.id}) << command.id;
  }
  SetParameterDialogOpener({});
  EXPECT_EQ(document->GetImage()->rows[3][3], before);
  EXPECT_EQ(app->GetSelectionRect(), (Region{0, 0, 11, 7}));
  EXPECT_FALSE(document->IsModified());
  for (int id : {ID_EDIT_UNDO, ID_EDIT_REDO, ID_EDIT_SELECT_ALL, ID_FILE_OPEN}) {
    Trigger(id);
  }
  EXPECT_TRUE(posted.Take().empty());
}

TEST_F(DocumentTest, ShortcutsReachTheirCommands) {
  const QRgb original = qRgb(200, 40, 10);
  auto pixel = [this] { return document->GetImage()->rows[3][3]; };
  auto press = [this](Qt::Key key, Qt::KeyboardModifier modifier = Qt::ControlModifier) {
    QTest::keyClick(frame, key, modifier);
    Settle();
  };
  Trigger(ID_ADJUST_INVERT);
  press(Qt::Key_Z);
  EXPECT_EQ(pixel(), original);
  press(Qt::Key_Y);
  EXPECT_NE(pixel(), original);
  press(Qt::Key_Backspace, Qt::AltModifier);
  EXPECT_EQ(pixel(), original);
  EXPECT_FALSE(document->IsModified());
  press(Qt::Key_A);
  EXPECT_EQ(app->GetSelectionRect(), (Region{0, 0, 11, 7}));
  Trigger(ID_ADJUST_INVERT);
  press(Qt::Key_S);
  Documents().WaitForSaves();
  EXPECT_FALSE(document->IsModified());
  EXPECT_EQ(savePrompts, 0);
  press(Qt::Key_N);
  EXPECT_EQ(ActiveChild()->windowTitle(), "Vanto1[*]");
  press(Qt::Key_W);
  EXPECT_EQ(ActiveDocument(), document);
  press(Qt::Key_Q);  // quits: the main window closes
  EXPECT_FALSE(frame->isVisible());
  EXPECT_TRUE(Documents().Documents().isEmpty());
  EXPECT_TRUE(questions.isEmpty());
}

TEST_F(ShellTest, MenuBarAndCaptionFollowTheActiveWindow) {
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
  first->close();
  Settle();
  EXPECT_EQ(frame->windowTitle(), "Vantoria - b.png[*]");
  EXPECT_EQ(frame->menuBar()->actions().size(), 7) << "one window is left";
  answers = {prompts::SaveChangesAnswer::Discard};
  ActiveChild()->close();
  Settle();
  EXPECT_EQ(frame->windowTitle(), "Vantoria");
  EXPECT_EQ(frame->menuBar()->actions().size(), 3);
  EXPECT_TRUE(Documents().Documents().isEmpty());
}

TEST_F(ShellTest, OpenUsesTheOpenFilterAndBringsAnOpenFileBack) {
  const QString path = WriteImage("same.png", 6, 6);
  openPath = path;
  QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
  CVantoriaDoc* first = ActiveDocument();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->GetPathName(), path);
  EXPECT_TRUE(openFilters.value(0).contains("*.PNG") && openFilters.value(0).contains("*.png"));
  CChildFrame* firstWindow = ActiveChild();
  Trigger(ID_WINDOW_NEW);
  Documents().OpenDocumentFile(WriteImage("other.png", 6, 6));
  EXPECT_EQ(Documents().OpenDocumentFile(QFileInfo(path).absolutePath() + "/./same.png"), first);
  EXPECT_EQ(ActiveChild(), firstWindow);
  openPath.clear();  // a cancelled dialog
  Trigger(ID_FILE_OPEN);
  EXPECT_EQ(Documents().Documents().size(), 2);
}

TEST_F(ShellTest, RefusedOrDroppedFilesOpenThroughTheOpenPath) {
  const QString picture = WriteImage("dropped.png", 40, 30);
  const QString junk = TempPath("junk.png");
  ASSERT_TRUE(WriteFileBytes(junk, "not a picture"));
  EXPECT_EQ(Documents().OpenDocumentFile(junk), nullptr);
  ASSERT_EQ(warnings.size(), 1);
  EXPECT_TRUE(warnings.value(0).contains(junk)) << warnings.value(0).toStdString();
  EXPECT_TRUE(Documents().Documents().isEmpty());
  for (int round = 0; round < 2; ++round) {  // the second time the open one comes forward
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(picture), QUrl::fromLocalFile(junk)});
    QWidget* target = frame->GetMdiArea()->viewport();  // wherever the pointer is
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    EXPECT_TRUE(drop.isAccepted());
  }
  ASSERT_EQ(frame->GetMdiArea()->subWindowList().size(), 1);
  EXPECT_EQ(ActiveDocument()->GetImage()->width, 40);
  EXPECT_EQ(warnings.size(), 3);
}

TEST_F(ShellTest, NewDocumentHasNoImageAndRefusesToSave) {
  Documents().OpenDocumentFile(WriteImage("here.png", 4, 4));
  QTest::keyClick(frame, Qt::Key_N, Qt::ControlModifier);
  ASSERT_NE(ActiveDocument(), nullptr);
  EXPECT_FALSE(ActiveDocument()->HasImage());
  Trigger(ID_FILE_NEW);
  EXPECT_EQ(ActiveChild()->windowTitle(), "Vanto2[*]");
  savePath = TempPath("empty.png");
  Trigger(ID_FILE_SAVE_AS);
  EXPECT_EQ(saveRequest.initialPath, TempPath("Vanto2.png")) << "the last folder, as PNG";
  Trigger(ID_FILE_SAVE);
  EXPECT_EQ(savePrompts, 2) << "a document without a path asks where to save";
  EXPECT_EQ(warnings.size(), 2);
  EXPECT_FALSE(QFile::exists(savePath));
}

TEST_F(ShellTest, CropAsksForASelectionAndOperationsRunOnTheActiveDocument) {
  CVantoriaDoc* first = Documents().OpenDocumentFile(WriteImage("one.png", 4, 3));
  CVantoriaDoc* second = Documents().OpenDocumentFile(WriteImage("two.png", 4, 3));
  Trigger(ID_IMAGE_CROP);
  EXPECT_EQ(warnings, QStringList{"请选择裁剪的区域"});
  Trigger(ID_ROTATE_RIGHT_90);
  EXPECT_GT(second->GetImage()->height, 3) << "turned upright";
  EXPECT_TRUE(ActiveChild()->isWindowModified());
  EXPECT_FALSE(first->IsModified());
  EXPECT_EQ(first->GetImage()->height, 3);
  Trigger(ID_EDIT_SELECT_ALL);
  Trigger(ID_IMAGE_CROP);
  EXPECT_EQ(warnings.size(), 1);
}

TEST_F(ShellTest, SecondWindowClosesSilentlyButClosingTheDocumentAsksOnceAndSaveWritesFirst) {
  const QString path = WriteImage("keep.png", 6, 6, qRgb(10, 20, 30));
  Documents().OpenDocumentFile(path);
  CChildFrame* first = ActiveChild();
  Trigger(ID_WINDOW_NEW);
  CChildFrame* second = ActiveChild();
  EXPECT_EQ(second->GetDocument(), first->GetDocument());
  EXPECT_EQ(QStringList({first->windowTitle(), second->windowTitle()}),
            QStringList({"keep.png:1[*]", "keep.png:2[*]"}));
  Trigger(ID_ADJUST_INVERT);
  EXPECT_TRUE(first->isWindowModified() && second->isWindowModified());
  second->close();  // one of two windows: asks nothing, the other loses its number
  Settle();
  EXPECT_EQ(first->windowTitle(), "keep.png[*]");
  answers = {prompts::SaveChangesAnswer::Cancel};
  Trigger(ID_FILE_CLOSE);
  EXPECT_EQ(questions, QStringList{"是否保存对 keep.png 的更改？"});
  EXPECT_EQ(ActiveChild(), first);
  answers = {prompts::SaveChangesAnswer::Save};
  Trigger(ID_FILE_CLOSE);
  EXPECT_EQ(questions.size(), 2);
  EXPECT_EQ(savePrompts, 0) << "saved in place";
  EXPECT_TRUE(frame->GetMdiArea()->subWindowList().isEmpty());
  EXPECT_EQ(QImage(path).pixel(3, 3), qRgb(245, 235, 225));
}

TEST_F(ShellTest, FailedSaveOnCloseShowsWhyAndKeepsTheWindow) {
  // A PNG under a name no encoder claims opens by content but is saved under a new name, here
  // one in a folder that does not exist.
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
  for (const char* name : {"x.png", "y.png", "z.png"}) {
    Documents().OpenDocumentFile(WriteImage(name, 5, 5));
    if (name[0] != 'z') {
      Trigger(ID_ADJUST_INVERT);  // z stays unmodified: not asked about
    }
  }
  answers = {prompts::SaveChangesAnswer::Discard, prompts::SaveChangesAnswer::Cancel};
  Trigger(ID_APP_EXIT);
  EXPECT_EQ(questions.size(), 2);
  EXPECT_TRUE(frame->isVisible());
  EXPECT_EQ(Documents().Documents().size(), 3);
  answers = {prompts::SaveChangesAnswer::Discard, prompts::SaveChangesAnswer::Discard};
  Trigger(ID_APP_EXIT);
  EXPECT_EQ(questions.size(), 4) << "each modified document once, not again as windows close";
  EXPECT_FALSE(frame->isVisible());
  EXPECT_TRUE(Documents().Documents().isEmpty());
}

TEST_F(ShellTest, WindowMenuListsAndArrangesTheWindows) {
  frame->resize(900, 700);
  Settle();
  CVantoriaDoc* first = Documents().OpenDocumentFile(WriteImage("w1.png", 3000, 2000));
  EXPECT_TRUE(frame->GetMdiArea()->viewport()->rect().contains(ActiveChild()->geometry()));
  Documents().OpenDocumentFile(WriteImage("w2.png", 50, 40));
  EXPECT_TRUE(frame->GetMdiArea()->viewport()->rect().contains(ActiveChild()->geometry()));
  EXPECT_LT(ActiveChild()->width(), 300);  // the small picture's window fits it
  QMenu* menu = frame->menuBar()->actions().at(5)->menu();
  emit menu->aboutToShow();
  emit menu->aboutToShow();  // rebuilt, not appended again
  const QList<QAction*> actions = menu->actions();
  ASSERT_EQ(actions.size(), 4 + 1 + 2);
  EXPECT_EQ(actions[5]->text(), "&1 w1.png");
  EXPECT_TRUE(actions[6]->isChecked());
  actions[5]->trigger();
  EXPECT_EQ(ActiveDocument(), first);

  const QList<QMdiSubWindow*> windows = frame->GetMdiArea()->subWindowList();
  Trigger(ID_WINDOW_TILE_HORZ);
  EXPECT_FALSE(windows[0]->geometry().intersects(windows[1]->geometry()));
  Trigger(ID_WINDOW_CASCADE);
  EXPECT_NE(windows[0]->pos(), windows[1]->pos());
  EXPECT_TRUE(windows[0]->geometry().intersects(windows[1]->geometry()));
  for (QMdiSubWindow* window : windows) {
    window->showMinimized();
  }
  Trigger(ID_WINDOW_ARRANGE);
  const int bottom = frame->GetMdiArea()->viewport()->height();  // minimised along the bottom
  EXPECT_EQ(std::tuple(windows[0]->geometry().bottom(), windows[1]->geometry().bottom(),
                       windows[0]->x(), windows[1]->x()),
            std::tuple(bottom - 1, bottom - 1, 0, windows[0]->width()));
}

TEST_F(ShellTest, CopyAndPasteAsANewModifiedPicture) {
  Documents().OpenDocumentFile(WriteImage("copied.png", 40, 30, qRgba(10, 20, 30, 128)));
  Trigger(ID_EDIT_COPY);  // no selection: the whole picture, alpha and all
  const QImage copied = QGuiApplication::clipboard()->image();
  ASSERT_EQ(copied.size(), QSize(40, 30));
  EXPECT_EQ(copied.convertToFormat(QImage::Format_ARGB32).pixel(5, 5), qRgba(10, 20, 30, 128));
  Trigger(ID_EDIT_PASTE);
  CVantoriaDoc* pasted = ActiveDocument();
  EXPECT_EQ(pasted->GetImage()->rows[5][5], 0x800A141Eu);
  EXPECT_TRUE(pasted->IsModified());
  EXPECT_TRUE(pasted->GetPathName().isEmpty());
  QGuiApplication::clipboard()->clear();
  Trigger(ID_EDIT_PASTE);
  EXPECT_EQ(warnings.size(), 1);
}

TEST_F(ShellTest, RecentFilesKeepTheLastFiveListedBeforeExitAndDropVanishedOnes) {
  for (int i = 0; i < 6; ++i) {
    Documents().OpenDocumentFile(WriteImage(QString("r%1.png").arg(i), 2, 2));
  }
  Documents().OpenDocumentFile(WriteImage("a&b.png", 2, 2));
  const QStringList entries = app->GetRecentFileList().Entries();
  ASSERT_EQ(entries.size(), 5);
  EXPECT_TRUE(entries.last().endsWith("r2.png"));
  QSettings settings;
  EXPECT_EQ(settings.fileName(), SettingsFolder() + "/Vantoria/Vantoria.conf");
  EXPECT_EQ(settings.value("Recent File List/File1").toString(), entries.first());
  EXPECT_EQ(settings.value("Recent File List/File5").toString(), entries.last());

  QMenu* file = frame->menuBar()->actions().front()->menu();
  emit file->aboutToShow();
  emit file->aboutToShow();  // a second opening replaces the entries
  QStringList texts;
  for (const QAction* action : file->actions()) {
    texts.append(action->isSeparator() ? "-" : action->text());
  }
  const int exit = texts.indexOf(Action(ID_APP_EXIT)->text());
  ASSERT_EQ(exit, 4 + 1 + 5 + 1);
  EXPECT_EQ(texts.mid(exit - 7, 3), (QStringList{"-", "&1 a&&b.png", "&2 r5.png"}));
  ASSERT_TRUE(QFile::remove(TempPath("r5.png")));
  file->actions().at(exit - 5)->trigger();
  EXPECT_TRUE(warnings.value(0).contains("r5.png"));
  EXPECT_EQ(app->GetRecentFileList().Entries().size(), 4);
  EXPECT_EQ(QSettings().value("Recent File List/File5"), QVariant());
}

// Lower-case glob patterns of the MIME types.
QSet<QString> Globs(const QList<QByteArray>& mimeTypes) {
  QSet<QString> globs;
  for (const QByteArray& mime : mimeTypes) {
    for (const QString& glob : QMimeDatabase().mimeTypeForName(mime).globPatterns()) {
      globs.insert(glob.toLower());
    }
  }
  return globs;
}

TEST(FileTypes, FiltersAndTheDesktopEntryCoverEveryFormat) {
  const QStringList open =
      ToNameFilters(BuildOpenFilter(ListReadableFormats(OfferedReaderFormats())));
  for (const QString& glob : Globs(QImageReader::supportedMimeTypes())) {
    EXPECT_TRUE(open.front().contains(' ' + glob + ' ') || open.front().endsWith(' ' + glob + ')'))
        << glob.toStdString();
  }
  EXPECT_TRUE(
      std::any_of(open.begin(), open.end(), [](const QString& f) { return f.startsWith("GIF"); }));
  EXPECT_EQ(open.back(), QString::fromUtf8("所有文件 (*)"));
  EXPECT_EQ(BuildOpenFilter(ListReadableFormats({"png"})),
            QString::fromUtf8("所有支持的图像文件|*.PNG|PNG文件(*.PNG)|*.PNG|所有文件|*||"));
  EXPECT_EQ(BuildOpenFilter({}), QString::fromUtf8("所有文件|*||"));
  const QString save = BuildFileFilters()->save.toLower();
  for (const QString& glob : Globs(QImageWriter::supportedMimeTypes())) {
    EXPECT_TRUE(save.contains(glob)) << glob.toStdString();
  }
  EXPECT_FALSE(save.contains("*.gif")) << "readable, not writable";
  EXPECT_EQ(WithDefaultSuffix("/a.b/shot", "png"), "/a.b/shot.png");
  EXPECT_EQ(WithDefaultSuffix("/x/shot.", "png"), "/x/shot.");

  QFile desktop(VANTORIA_SOURCE_DIR "/src/res/vantoria.desktop");
  ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
  QStringList claimed;
  for (const QString& line : QString::fromUtf8(desktop.readAll()).split('\n')) {
    claimed = line.startsWith("MimeType=") ? line.mid(9).split(';', Qt::SkipEmptyParts) : claimed;
  }
  QStringList readable;
  for (const ReadableFormat& format : ListReadableFormats(OfferedReaderFormats())) {
    readable.append(format.mimeType);
  }
  claimed.sort();
  readable.sort();
  EXPECT_EQ(claimed.join(' ').toStdString(), readable.join(' ').toStdString());
}

class SaveTypesTest : public ShellTest {
 protected:
  // Opens a 4 x 4 picture written under `name` (one corner clear when asked) and edits it.
  void OpenEdited(const QString& name, bool transparent) {
    const QString path =
        WriteImage(name, 4, 4, qRgb(200, 40, 10), qRgba(1, 2, 3, transparent ? 0 : 255));
    ASSERT_NE(Documents().OpenDocumentFile(path), nullptr);
    Trigger(ID_ADJUST_INVERT);
  }
  QString Filter(const char* type) const { return NameFilterFor(saveRequest.nameFilters, type); }
};

TEST_F(SaveTypesTest, TheTypePickedIsTheTypeSaved) {
  const struct {
    const char *typed, *picked;
    bool transparent, yes;
    const char *written, *format;  // the file expected, or none
    bool asked, alpha;             // alpha: the file has an alpha channel
  } rows[] = {
      {"a", "PNG", true, true, "a.png", "png", false, true},
      {"b", "PNG", false, true, "b.png", "png", false, false},  // opaque: no alpha written
      {"c", "TIFF", false, true, "c.tif", "tiff", false, false},
      {"d.bmp", "PNG", false, true, "d.bmp", "bmp", false, false},  // a typed extension wins
      {"e", "JPEG", true, false, nullptr, nullptr, true, false},    // "No": nothing written
      {"f", "JPEG", true, true, "f.jpg", "jpeg", true, false},
      {"g", "BMP", true, true, "g.bmp", "bmp", true, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.typed);
    savePath.clear();
    saveFilter.clear();
    OpenEdited(QStringLiteral("source-%1.png").arg(row.typed), row.transparent);
    questions.clear();
    yesAnswer = row.yes;
    Trigger(ID_FILE_SAVE_AS);  // cancelled: says nothing
    EXPECT_EQ(saveRequest.initialPath, ActiveDocument()->GetPathName());
    EXPECT_EQ(saveRequest.selectedFilter, Filter("PNG")) << "the document's own type";
    EXPECT_FALSE(saveRequest.nameFilters.value(0).startsWith(QString::fromUtf8("所有")))
        << "formats only";
    savePath = TempPath(row.typed);
    saveFilter = Filter(row.picked);
    Trigger(ID_FILE_SAVE_AS);
    EXPECT_EQ(questions.size(), row.asked ? 1 : 0);
    EXPECT_TRUE(warnings.isEmpty());
    if (!row.written) {
      EXPECT_TRUE(ActiveDocument()->IsModified());
      EXPECT_EQ(QDir(TempPath("")).entryList({QStringLiteral("%1*").arg(row.typed)}),
                QStringList());
      continue;
    }
    EXPECT_EQ(ActiveDocument()->GetPathName(), TempPath(row.written));
    EXPECT_EQ(ActiveChild()->windowTitle(), QStringLiteral("%1[*]").arg(row.written));
    EXPECT_EQ(app->GetRecentFileList().Entries().value(0), TempPath(row.written));
    QImageReader reader(TempPath(row.written));
    reader.setDecideFormatFromContent(true);
    EXPECT_EQ(reader.format(), row.format);
    const QImage back = reader.read();
    EXPECT_EQ(back.hasAlphaChannel(), row.alpha);
    EXPECT_TRUE(QByteArray(row.format) == "jpeg" || back.pixel(3, 3) == qRgb(55, 215, 245));
    const int prompts = savePrompts;
    Trigger(ID_ADJUST_INVERT);  // saved again in place, and not asked again
    Trigger(ID_FILE_SAVE);
    EXPECT_EQ(questions.size(), row.asked ? 1 : 0);
    EXPECT_EQ(savePrompts, prompts);
    EXPECT_FALSE(ActiveDocument()->IsModified());
  }
}

TEST_F(SaveTypesTest, ReadOnlyFormatsAreSavedAsPngAtSaveAndAtExit) {
  // A 1 x 1 GIF: Qt reads GIF but cannot write it.
  const QByteArray gifBytes = QByteArray::fromHex(
      "47494638396101000100800000ff000000000021f90400000000002c00000000010001000002024401003b");
  ASSERT_TRUE(WriteFileBytes(TempPath("anim.gif"), gifBytes));
  ASSERT_NE(Documents().OpenDocumentFile(TempPath("anim.gif")), nullptr);
  Trigger(ID_ADJUST_INVERT);
  Trigger(ID_FILE_SAVE);  // cancelled
  EXPECT_EQ(saveRequest.initialPath, TempPath("anim.png"));
  EXPECT_EQ(saveRequest.selectedFilter, Filter("PNG"));
  answers = {prompts::SaveChangesAnswer::Save};
  savePath = TempPath("anim");
  Trigger(ID_APP_EXIT);
  EXPECT_EQ(savePrompts, 2);
  EXPECT_EQ(QImageReader(TempPath("anim.png")).format(), "png");
  EXPECT_TRUE(Documents().Documents().isEmpty());
  EXPECT_TRUE(warnings.isEmpty());
}

TEST_F(ShellTest, AboutShowsItsTemplateModallyAndEnterEscapeAndOkClose) {
  for (int way = 0; way < 4; ++way) {
    SCOPED_TRACE(way);
    RunDialog(ID_APP_ABOUT, [way](QDialog& dialog) {
      auto* about = qobject_cast<CAboutDlg*>(&dialog);
      ASSERT_NE(about, nullptr);
      EXPECT_EQ(about->windowTitle(), "关于 Vantoria");
      auto* text = about->findChild<QLabel*>("aboutText");
      auto* icon = about->findChild<QLabel*>("aboutIcon");
      auto* ok = about->findChild<QPushButton*>("aboutOk");
      ASSERT_TRUE(text && icon && ok);
      EXPECT_EQ(std::tuple(text->text(), ok->text(), ok->isDefault(), icon->pixmap().size(),
                           about->font().pointSize()),
                std::tuple(QString("Vantoria 1.0 版"), QString("确定"), true, QSize(32, 32), 9));
      const DialogUnits units(about->font());
      const int base[] = {units.BaseWidth(), units.BaseHeight()};
      EXPECT_EQ(std::tuple(units.X(4), units.Y(8), units.X(2)),
                std::tuple(base[0], base[1], (2 * base[0] + 2) / 4));
      EXPECT_EQ(about->size(), units.Size(235, 112));
      EXPECT_EQ(ok->geometry(), units.Rect(178, 7, 50, 14));
      EXPECT_EQ(text->geometry(), units.Rect(40, 14, 119, 8));
      EXPECT_EQ(icon->pos(), units.Rect(11, 17, 21, 21).topLeft());
      if (way == 3) {
        QTest::mouseClick(ok, Qt::LeftButton);
      } else {
        QTest::keyClick(about, way == 0   ? Qt::Key_Escape
                               : way == 1 ? Qt::Key_Return
                                          : Qt::Key_Enter);
      }
    });
  }
}

}  // namespace
}  // namespace vantoria::test
