#pragma once

// Command identifiers. Every menu item, toolbar button and shortcut is a QAction carrying one
// of these numbers; the status prompts and tooltips are keyed by them too.

namespace vantoria::cmd {

enum CommandId : int {
  // Standard commands.
  ID_FILE_NEW = 57600,
  ID_FILE_OPEN = 57601,
  ID_FILE_CLOSE = 57602,
  ID_FILE_SAVE = 57603,
  ID_FILE_SAVE_AS = 57604,
  ID_EDIT_COPY = 57634,
  ID_EDIT_PASTE = 57637,
  ID_EDIT_SELECT_ALL = 57642,
  ID_EDIT_UNDO = 57643,
  ID_EDIT_REDO = 57644,
  ID_WINDOW_NEW = 57648,
  ID_WINDOW_ARRANGE = 57649,
  ID_WINDOW_CASCADE = 57650,
  ID_WINDOW_TILE_HORZ = 57651,
  ID_APP_ABOUT = 57664,
  ID_APP_EXIT = 57665,
  ID_VIEW_TOOLBAR = 59392,
  ID_VIEW_STATUS_BAR = 59393,

  // The program's own commands.
  ID_IMAGE_CROP = 32772,
  ID_IMAGE_ROTATE = 32773,
  ID_ADJUST_BRIGHTNESS_CONTRAST = 32775,
  ID_ADJUST_TRANSPARENCY = 32776,
  ID_ADJUST_INVERT = 32778,
  ID_ADJUST_THRESHOLD = 32779,
  ID_ADJUST_REDEYE = 32780,
  ID_GRAY_MAXIMUM = 32781,
  ID_GRAY_AVERAGE = 32782,
  ID_GRAY_WEIGHTED = 32783,
  ID_MIRROR_HORIZONTAL = 32784,
  ID_MIRROR_VERTICAL = 32785,
  ID_FILTER_EMBOSS = 32786,
  ID_FILTER_MOSAIC = 32787,
  ID_FILTER_SKETCH = 32788,
  ID_SHARPEN_LAPLACIAN = 32789,
  ID_SOFTEN_SIMPLE = 32790,
  ID_SOFTEN_GAUSSIAN = 32791,
  ID_SOFTEN_MEDIAN = 32792,
  ID_ROTATE_RIGHT_90 = 32795,
  ID_ROTATE_LEFT_90 = 32796,
  ID_IMAGE_SIZE = 32800,
  ID_ADJUST_HSL = 32801,

  // Added beside the commands above: zoom and clearing the selection.
  ID_VIEW_ZOOM_IN = 32810,
  ID_VIEW_ZOOM_OUT = 32811,
  ID_VIEW_ZOOM_ACTUAL = 32812,
  ID_VIEW_ZOOM_FIT = 32813,
  ID_EDIT_SELECT_NONE = 32814,
};

// Status-bar indicator panes.
inline constexpr int ID_INDICATOR_CAPS = 59137;
inline constexpr int ID_INDICATOR_NUM = 59138;
inline constexpr int ID_INDICATOR_SCRL = 59139;

}  // namespace vantoria::cmd
