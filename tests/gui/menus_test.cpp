// Catches wrong menu texts, order, shortcuts or ids, toolbar buttons, enabling, status prompts,
// lock panes following the wrong key, and a command posting the wrong message or none.
#include <QHelpEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

#include "app/lock_indicators.h"
#include "app/testing_hooks.h"
#include "command_table.h"
#include "res/command_ids.h"
#include "res/command_strings.h"
#include "shell_fixture.h"
#include "view/testing_hooks.h"

namespace vantoria::test {
namespace {

using namespace cmd;

// A menu's entries as "text|shortcut|id", "-" for a separator and "text>" for a submenu
// followed by its entries indented by two spaces.
QStringList Describe(const QMenu* menu, const QString& indent = QString()) {
  QStringList lines;
  for (const QAction* action : menu->actions()) {
    if (action->isSeparator()) {
      lines.append(indent + "-");
    } else if (action->menu()) {
      lines.append(indent + action->text() + ">");
      lines += Describe(action->menu(), indent + "  ");
    } else {
      lines.append(indent + action->text() + "|" + action->shortcut().toString() + "|" +
                   QString::number(action->data().toInt()));
    }
  }
  return lines;
}

QMenu* MenuOf(const CMainFrame& frame, const QString& title) {
  for (const QAction* action : frame.menuBar()->actions()) {
    if (action->text() == title) {
      return action->menu();
    }
  }
  return nullptr;
}

TEST_F(ShellTest, ShortMenuBarOffersOpenExitBarsAndAbout) {
  EXPECT_EQ(Describe(MenuOf(*frame, "文件(&F)")),
            QStringList({"打开(&O)...|Ctrl+O|57601", "-", "退出(&X)||57665"}));
  EXPECT_EQ(Describe(MenuOf(*frame, "查看(&V)")),
            QStringList({"工具栏(&T)||59392", "状态栏(&S)||59393"}));
  EXPECT_EQ(Describe(MenuOf(*frame, "帮助(&H)")), QStringList({"关于 Vantoria(&A)...||57664"}));
}

class DocumentMenusTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    document = Documents().OpenDocumentFile(WriteImage("menu.png", 12, 8));
    ASSERT_NE(document, nullptr);
  }
  CVantoriaDoc* document = nullptr;
};

TEST_F(DocumentMenusTest, FullMenuBarHasEveryItemInOrder) {
  EXPECT_EQ(Describe(MenuOf(*frame, "文件(&F)")),
            QStringList({"打开(&O)...|Ctrl+O|57601", "关闭(&C)||57602", "保存(&S)|Ctrl+S|57603",
                         "另存为(&A)...||57604", "-", "退出(&X)||57665"}));
  EXPECT_EQ(Describe(MenuOf(*frame, "编辑(&E)")),
            QStringList({"撤消(&U)|Ctrl+Z|57643", "重做(&R)|Ctrl+Y|57644", "-",
                         "全选(&A)|Ctrl+A|57642", "-", "取消选择(&D)|Ctrl+D|32814",
                         "复制(&C)|Ctrl+C|57634", "粘贴为新图像(&P)|Ctrl+V|57637"}));
  EXPECT_EQ(Describe(MenuOf(*frame, "查看(&V)")),
            QStringList({"工具栏(&T)||59392", "状态栏(&S)||59393", "-", "放大(&I)|Ctrl++|32810",
                         "缩小(&O)|Ctrl+-|32811", "实际大小(&A)|Ctrl+0|32812",
                         "适合窗口(&F)|Ctrl+B|32813"}));
  EXPECT_EQ(Describe(MenuOf(*frame, "图像(&I)")), QStringList({"调整(&A)>",
                                                               "  亮度/对比度(&B)||32775",
                                                               "  透明度(&T)||32776",
                                                               "  -",
                                                               "  色相/饱和度/明度(&H)||32801",
                                                               "  反色(&I)||32778",
                                                               "  转为灰度图(&G)>",
                                                               "    最大值法(&M)||32781",
                                                               "    平均值法(&V)||32782",
                                                               "    加权平均值法(&W)||32783",
                                                               "  二值化(&D)||32779",
                                                               "  -",
                                                               "  消除红眼(&R)||32780",
                                                               "-",
                                                               "尺寸(&S)||32800",
                                                               "裁剪(&C)||32772",
                                                               "-",
                                                               "旋转(&R)||32773",
                                                               "镜像(&F)>",
                                                               "  水平镜像(&H)||32784",
                                                               "  垂直镜像(&V)||32785"}));
  EXPECT_EQ(Describe(MenuOf(*frame, "滤镜(&L)")),
            QStringList({"锐化(&P)>", "  拉普拉斯锐化(&L)||32789", "柔化(&O)>",
                         "  简单柔化(&S)||32790", "  高斯柔化(&G)||32791", "  中值滤波(&V)||32792",
                         "浮雕效果(&V)||32786", "马赛克效果(&M)||32787", "素描图效果(&K)||32788"}));
  EXPECT_EQ(Describe(MenuOf(*frame, "窗口(&W)")),
            QStringList({"新建窗口(&N)||57648", "层叠(&C)||57650", "平铺(&T)||57651",
                         "排列图标(&A)||57649"}));
  EXPECT_EQ(Describe(MenuOf(*frame, "帮助(&H)")), QStringList({"关于 Vantoria(&A)...||57664"}));
}

TEST_F(DocumentMenusTest, WindowMenuListsTheOpenWindows) {
  Documents().OpenDocumentFile(WriteImage("second.png", 4, 4));
  QMenu* window = MenuOf(*frame, "窗口(&W)");
  emit window->aboutToShow();
  const QList<QAction*> actions = window->actions();
  ASSERT_EQ(actions.size(), 4 + 1 + 2);
  EXPECT_EQ(actions[5]->text(), "&1 menu.png");
  EXPECT_EQ(actions[6]->text(), "&2 second.png");
  EXPECT_TRUE(actions[6]->isChecked());
  actions[5]->trigger();
  EXPECT_EQ(ActiveDocument(), document);
  emit window->aboutToShow();  // rebuilt, not appended again
  EXPECT_EQ(window->actions().size(), 7);
}

TEST_F(ShellTest, CommandStringsSplitPromptAndTooltip) {
  EXPECT_EQ(res::StatusPrompt(ID_ROTATE_RIGHT_90), "向右旋转90度");
  EXPECT_EQ(res::ToolTip(ID_ROTATE_RIGHT_90), "右旋90度");
  EXPECT_EQ(res::ToolTip(ID_EDIT_UNDO), "撤销");
  EXPECT_EQ(res::StatusPrompt(ID_FILTER_EMBOSS), "浮雕效果");
  EXPECT_EQ(res::ToolTip(ID_FILTER_EMBOSS), "");
  EXPECT_EQ(res::StatusPrompt(ID_IMAGE_SIZE), "");
  EXPECT_EQ(res::StatusPrompt(ID_ADJUST_HSL), "");
  EXPECT_EQ(res::MenuCaption(ID_FILE_OPEN), "打开(&O)...");
  EXPECT_EQ(res::MenuShortcut(ID_FILE_OPEN), QKeySequence(Qt::CTRL | Qt::Key_O));
  EXPECT_TRUE(res::MenuShortcut(ID_FILE_SAVE_AS).isEmpty());
  EXPECT_EQ(res::StatusPrompt(ID_APP_EXIT), "退出应用程序；提示保存文档");
  EXPECT_EQ(Action(ID_APP_EXIT)->statusTip(), "退出应用程序；提示保存文档");
}

// The toolbar as "tooltip" per button and "|" per separator.
QStringList ToolBarLayout(QToolBar* bar) {
  QStringList layout;
  for (const QAction* action : bar->actions()) {
    layout.append(action->isSeparator() ? QStringLiteral("|")
                                        : QString::number(action->data().toInt()));
  }
  return layout;
}

TEST_F(ShellTest, ToolBarHasTenButtonsInFourGroups) {
  QToolBar* bar = frame->GetToolBar();
  EXPECT_EQ(ToolBarLayout(bar), QStringList({"57601", "57603", "57604", "|", "32784", "32785", "|",
                                             "32795", "32796", "|", "57643", "57644", "|", "57642",
                                             "|", "32810", "32811", "32812", "32813"}));
  EXPECT_EQ(bar->iconSize(), QSize(16, 16));
  EXPECT_TRUE(bar->isMovable());
  EXPECT_TRUE(bar->isFloatable());
  EXPECT_EQ(bar->allowedAreas(), Qt::AllToolBarAreas);
  for (QAction* action : bar->actions()) {
    if (!action->isSeparator()) {
      EXPECT_FALSE(action->icon().isNull()) << action->data().toInt();
    }
  }
  // It docks on any side.
  frame->addToolBar(Qt::LeftToolBarArea, bar);
  EXPECT_EQ(frame->toolBarArea(bar), Qt::LeftToolBarArea);
}

TEST_F(ShellTest, WithoutImageWindowOnlyOpenAndTheAlwaysCommandsWork) {
  for (int id : {ID_FILE_OPEN, ID_APP_EXIT, ID_APP_ABOUT, ID_VIEW_TOOLBAR, ID_VIEW_STATUS_BAR,
                 ID_FILE_NEW}) {
    EXPECT_TRUE(Action(id)->isEnabled()) << id;
  }
  for (int id : {ID_FILE_SAVE, ID_FILE_SAVE_AS, ID_MIRROR_HORIZONTAL, ID_MIRROR_VERTICAL,
                 ID_ROTATE_RIGHT_90, ID_ROTATE_LEFT_90, ID_EDIT_UNDO, ID_EDIT_REDO,
                 ID_EDIT_SELECT_ALL, ID_FILE_CLOSE, ID_WINDOW_NEW}) {
    EXPECT_FALSE(Action(id)->isEnabled()) << id;
  }
  auto* open =
      qobject_cast<QToolButton*>(frame->GetToolBar()->widgetForAction(Action(ID_FILE_OPEN)));
  auto* mirror =
      qobject_cast<QToolButton*>(frame->GetToolBar()->widgetForAction(Action(ID_MIRROR_VERTICAL)));
  ASSERT_TRUE(open && mirror);
  EXPECT_TRUE(open->isEnabled());
  EXPECT_FALSE(mirror->isEnabled());
}

TEST_F(DocumentMenusTest, ImageWindowEnablesEveryCommand) {
  for (int id : res::CommandIds()) {
    EXPECT_TRUE(Action(id)->isEnabled()) << id;
  }
  // Closing the last window disables the image commands again.
  Trigger(ID_FILE_CLOSE);
  Settle();
  EXPECT_FALSE(Action(ID_ADJUST_BRIGHTNESS_CONTRAST)->isEnabled());
  EXPECT_FALSE(Action(ID_EDIT_UNDO)->isEnabled());
  EXPECT_TRUE(Action(ID_FILE_OPEN)->isEnabled());
}

TEST_F(DocumentMenusTest, HoveringRotateRightShowsTooltipAndPrompt) {
  QToolBar* bar = frame->GetToolBar();
  QWidget* button = bar->widgetForAction(Action(ID_ROTATE_RIGHT_90));
  ASSERT_NE(button, nullptr);
  auto* idle = frame->statusBar()->findChild<QLabel*>("idlePane");
  ASSERT_NE(idle, nullptr);
  EXPECT_EQ(idle->text(), "就绪");
  EXPECT_TRUE(idle->isVisible());

  QTest::mouseMove(button);
  QTest::qWait(20);
  EXPECT_EQ(frame->statusBar()->currentMessage(), "向右旋转90度");
  QHelpEvent help(QEvent::ToolTip, button->rect().center(),
                  button->mapToGlobal(button->rect().center()));
  QApplication::sendEvent(button, &help);
  EXPECT_EQ(QToolTip::text(), "右旋90度");

  // Leaving the button brings back the idle text.
  QTest::mouseMove(frame->GetMdiArea()->viewport(), QPoint(5, 5));
  QTest::qWait(20);
  EXPECT_EQ(frame->statusBar()->currentMessage(), "");
  EXPECT_TRUE(idle->isVisible());
  QToolTip::hideText();
}

TEST_F(ShellTest, EachLockPaneFollowsItsOwnKey) {
  const LockIndicators* shown = frame->GetLockIndicators();
  EXPECT_EQ(shown->CapsPane()->text(), "大写");
  EXPECT_EQ(shown->NumPane()->text(), "数字");
  EXPECT_EQ(shown->ScrollPane()->text(), "滚动");
  EXPECT_LT(shown->CapsPane()->x(), shown->NumPane()->x());
  EXPECT_LT(shown->NumPane()->x(), shown->ScrollPane()->x());

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

TEST_F(ShellTest, ViewMenuTogglesTheBars) {
  QAction* toolbar = Action(ID_VIEW_TOOLBAR);
  QAction* statusbar = Action(ID_VIEW_STATUS_BAR);
  EXPECT_TRUE(toolbar->isCheckable() && toolbar->isChecked());
  EXPECT_TRUE(statusbar->isCheckable() && statusbar->isChecked());
  toolbar->trigger();
  EXPECT_FALSE(frame->GetToolBar()->isVisible());
  EXPECT_FALSE(toolbar->isChecked());
  statusbar->trigger();
  EXPECT_FALSE(frame->statusBar()->isVisible());
  toolbar->trigger();
  statusbar->trigger();
  EXPECT_TRUE(frame->GetToolBar()->isVisible());
  EXPECT_TRUE(frame->statusBar()->isVisible());
  // Hidden some other way, the tick follows.
  frame->GetToolBar()->hide();
  EXPECT_FALSE(toolbar->isChecked());
}

class PostedMessagesTest : public DocumentMenusTest {
 protected:
  void SetUp() override {
    DocumentMenusTest::SetUp();
    SetOperationTarget(&recorder);
  }
  MessageRecorder recorder;
};

// Through the menu, the view and the poster: each posting command sends exactly its message and
// leaves the picture alone; each dialog command opens its dialog, owned by the main window.
TEST_F(PostedMessagesTest, EveryImageCommandDoesWhatTheTableSays) {
  std::vector<int> opened;
  SetParameterDialogOpener([&](int id, QWidget* owner) {
    opened.push_back(id);
    EXPECT_EQ(owner, frame);
  });
  const QRgb before = document->GetImage()->rows[3][3];
  for (const ViewCommand& command : kViewCommands) {
    recorder.messages.clear();
    opened.clear();
    Trigger(command.id);
    EXPECT_EQ(recorder.messages,
              command.posts ? std::vector{*command.posts} : std::vector<ops::OperationMessage>{})
        << command.id;
    EXPECT_EQ(opened, command.posts ? std::vector<int>{} : std::vector{command.id}) << command.id;
  }
  SetParameterDialogOpener({});
  EXPECT_EQ(document->GetImage()->rows[3][3], before);
  recorder.messages.clear();
  for (int id : {ID_EDIT_UNDO, ID_EDIT_REDO, ID_EDIT_SELECT_ALL}) {
    Trigger(id);
  }
  EXPECT_TRUE(recorder.messages.empty());
}

TEST_F(PostedMessagesTest, ToolbarButtonClickPostsRotateRight) {
  QWidget* button = frame->GetToolBar()->widgetForAction(Action(ID_ROTATE_RIGHT_90));
  QTest::mouseClick(button, Qt::LeftButton);
  QCoreApplication::processEvents();
  ASSERT_EQ(recorder.messages.size(), 1u);
  EXPECT_EQ(recorder.messages[0], (ops::OperationMessage{1134, 1, 90}));
}

TEST_F(DocumentMenusTest, CtrlZAndAltBackspaceBothUndoAndCtrlYRedoes) {
  const QRgb original = qRgb(200, 40, 10);
  auto pixel = [this] { return document->GetImage()->rows[3][3]; };
  ASSERT_EQ(pixel(), original);
  Trigger(ID_ADJUST_INVERT);
  ASSERT_NE(pixel(), original);

  QTest::keyClick(frame, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(pixel(), original);
  QTest::keyClick(frame, Qt::Key_Y, Qt::ControlModifier);
  EXPECT_NE(pixel(), original);
  QTest::keyClick(frame, Qt::Key_Backspace, Qt::AltModifier);
  EXPECT_EQ(pixel(), original);
  EXPECT_FALSE(document->IsModified());
}

TEST_F(DocumentMenusTest, CtrlAAndCtrlSReachTheirCommands) {
  EXPECT_FALSE(app->GetSelectionRect().has_value());
  QTest::keyClick(frame, Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(app->GetSelectionRect(), (Region{0, 0, 11, 7}));

  Trigger(ID_ADJUST_INVERT);
  QTest::keyClick(frame, Qt::Key_S, Qt::ControlModifier);
  Documents().WaitForSaves();
  EXPECT_FALSE(document->IsModified());
  EXPECT_EQ(savePrompts, 0);
}

}  // namespace
}  // namespace vantoria::test
