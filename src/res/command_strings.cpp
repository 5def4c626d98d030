#include "res/command_strings.h"

#include <iterator>

#include "res/command_ids.h"

namespace vantoria::res {
namespace {

using namespace cmd;

// menu: the menu text, "\t" separating the shortcut; empty when the command has no menu item.
// strings: the status prompt, then "\n" and the tooltip when it has one.
struct CommandEntry {
  int id;
  const char* menu;
  const char* strings;
};

constexpr CommandEntry kCommands[] = {
    // File
    {ID_FILE_NEW, "", "创建新文档\n新建"},
    {ID_FILE_OPEN, "打开(&O)...\tCtrl+O", "打开一个现有文档\n打开"},
    {ID_FILE_CLOSE, "关闭(&C)", "关闭活动文档\n关闭"},
    {ID_FILE_SAVE, "保存(&S)\tCtrl+S", "保存活动文档\n保存"},
    {ID_FILE_SAVE_AS, "另存为(&A)...", "将活动文档以一个新文件名保存\n另存为"},
    {ID_APP_EXIT, "退出(&X)", "退出应用程序；提示保存文档\n退出"},
    // Edit
    {ID_EDIT_UNDO, "撤消(&U)\tCtrl+Z", "撤消已执行的操作\n撤销"},
    {ID_EDIT_REDO, "重做(&R)\tCtrl+Y", "重新执行先前已撤消的操作\n重做"},
    {ID_EDIT_SELECT_ALL, "全选(&A)\tCtrl+A", "选择整个文档\n全选"},
    {ID_EDIT_SELECT_NONE, "取消选择(&D)\tCtrl+D", "取消选择区域\n取消选择"},
    {ID_EDIT_COPY, "复制(&C)\tCtrl+C", "将选定区域或整个图像复制到剪贴板\n复制"},
    {ID_EDIT_PASTE, "粘贴为新图像(&P)\tCtrl+V", "将剪贴板中的图像作为新图像打开\n粘贴为新图像"},
    // Image
    {ID_ADJUST_BRIGHTNESS_CONTRAST, "亮度/对比度(&B)", "调整图像的亮度和对比度\n亮度/对比度"},
    {ID_ADJUST_TRANSPARENCY, "透明度(&T)", "调整图像的透明度\n透明度"},
    {ID_ADJUST_HSL, "色相/饱和度/明度(&H)", ""},
    {ID_ADJUST_INVERT, "反色(&I)", "反色处理\n反色"},
    {ID_GRAY_MAXIMUM, "最大值法(&M)", "使用最大值法将图像转为灰度图\n最大值法"},
    {ID_GRAY_AVERAGE, "平均值法(&V)", "使用平均值法将图像转为灰度图\n平均值法"},
    {ID_GRAY_WEIGHTED, "加权平均值法(&W)", "使用加权平均值法将图像转为灰度图\n加权平均值法"},
    {ID_ADJUST_THRESHOLD, "二值化(&D)", "设定图像的灰度阀值\n二值化"},
    {ID_ADJUST_REDEYE, "消除红眼(&R)", "消除图像中的红眼\n消除红眼"},
    {ID_IMAGE_SIZE, "尺寸(&S)", ""},
    {ID_IMAGE_CROP, "裁剪(&C)", "对图像进行裁剪\n裁剪"},
    {ID_IMAGE_ROTATE, "旋转(&R)", "按一定角度旋转图像\n旋转"},
    {ID_MIRROR_HORIZONTAL, "水平镜像(&H)", "水平镜像\n水平镜像"},
    {ID_MIRROR_VERTICAL, "垂直镜像(&V)", "垂直镜像\n垂直镜像"},
    {ID_ROTATE_RIGHT_90, "", "向右旋转90度\n右旋90度"},
    {ID_ROTATE_LEFT_90, "", "向左旋转90度\n左旋90度"},
    // Filter
    {ID_SHARPEN_LAPLACIAN, "拉普拉斯锐化(&L)", "拉普拉斯锐化"},
    {ID_SOFTEN_SIMPLE, "简单柔化(&S)", "简单柔化"},
    {ID_SOFTEN_GAUSSIAN, "高斯柔化(&G)", "高斯柔化"},
    {ID_SOFTEN_MEDIAN, "中值滤波(&V)", "中值滤波"},
    {ID_FILTER_EMBOSS, "浮雕效果(&V)", "浮雕效果"},
    {ID_FILTER_MOSAIC, "马赛克效果(&M)", "马赛克效果"},
    {ID_FILTER_SKETCH, "素描图效果(&K)", "素描图效果"},
    // View
    {ID_VIEW_TOOLBAR, "工具栏(&T)", "显示或隐藏工具栏\n切换工具栏"},
    {ID_VIEW_STATUS_BAR, "状态栏(&S)", "显示或隐藏状态栏\n切换状态栏"},
    {ID_VIEW_ZOOM_IN, "放大(&I)\tCtrl++", "放大图像的显示\n放大"},
    {ID_VIEW_ZOOM_OUT, "缩小(&O)\tCtrl+-", "缩小图像的显示\n缩小"},
    {ID_VIEW_ZOOM_ACTUAL, "实际大小(&A)\tCtrl+0", "按实际大小显示图像\n实际大小"},
    {ID_VIEW_ZOOM_FIT, "适合窗口(&F)\tCtrl+B", "缩放图像以适合窗口\n适合窗口"},
    // Window
    {ID_WINDOW_NEW, "新建窗口(&N)", "为活动文档打开另一个窗口\n新建窗口"},
    {ID_WINDOW_CASCADE, "层叠(&C)", "以重叠方式排列窗口\n层叠窗口"},
    {ID_WINDOW_TILE_HORZ, "平铺(&T)", "以非重叠的平铺方式排列窗口\n平铺窗口"},
    {ID_WINDOW_ARRANGE, "排列图标(&A)", "将图标排列在窗口底部\n排列图标"},
    // Help
    {ID_APP_ABOUT, "关于 Vantoria(&A)...", "显示程序信息、版本号和版权\n关于"},
};

const CommandEntry* Find(int id) {
  for (const CommandEntry& entry : kCommands) {
    if (entry.id == id) {
      return &entry;
    }
  }
  return nullptr;
}

// The part of `text` before `separator`, or after it when `after` is set (empty without one).
QString Part(const char* text, QChar separator, bool after) {
  const QString all = QString::fromUtf8(text);
  const qsizetype at = all.indexOf(separator);
  if (at < 0) {
    return after ? QString() : all;
  }
  return after ? all.mid(at + 1) : all.left(at);
}

}  // namespace

QString MenuCaption(int id) {
  const CommandEntry* entry = Find(id);
  if (!entry) {
    return QString();
  }
  if (*entry->menu == '\0') {
    return Part(entry->strings, QLatin1Char('\n'), true);
  }
  return Part(entry->menu, QLatin1Char('\t'), false);
}

QKeySequence MenuShortcut(int id) {
  const CommandEntry* entry = Find(id);
  return entry ? QKeySequence::fromString(Part(entry->menu, QLatin1Char('\t'), true),
                                          QKeySequence::PortableText)
               : QKeySequence();
}

QString StatusPrompt(int id) {
  const CommandEntry* entry = Find(id);
  return entry ? Part(entry->strings, QLatin1Char('\n'), false) : QString();
}

QString ToolTip(int id) {
  const CommandEntry* entry = Find(id);
  return entry ? Part(entry->strings, QLatin1Char('\n'), true) : QString();
}

std::vector<int> CommandIds() {
  std::vector<int> ids;
  ids.reserve(std::size(kCommands));
  for (const CommandEntry& entry : kCommands) {
    ids.push_back(entry.id);
  }
  return ids;
}

QString AppTitle() {
  return QStringLiteral("Vantoria");
}
QString DocumentName() {
  return QStringLiteral("Vanto");
}
QString IdleStatusText() {
  return QStringLiteral("就绪");
}
QString CapsIndicatorText() {
  return QStringLiteral("大写");
}
QString NumIndicatorText() {
  return QStringLiteral("数字");
}
QString ScrollIndicatorText() {
  return QStringLiteral("滚动");
}

}  // namespace vantoria::res
