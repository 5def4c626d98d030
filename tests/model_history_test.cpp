// Catches history faults the dispatcher reaches, against a plain model over random user actions.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <functional>
#include <numeric>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "document/image_codecs.h"
#include "document/vantoria_doc.h"
#include "imaging/colour_ops.h"
#include "imaging/filter_ops.h"
#include "imaging/geometry_ops.h"
#include "imaging/kernels.h"
#include "operations/dispatcher_texts.h"
#include "operations/operation_dispatcher.h"
#include "support/dispatch_test_host.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

using namespace ops;
using Routine = std::function<void(const PixelImage&, PixelImage&)>;

constexpr std::size_t kUnlimited = std::size_t{1} << 40;
constexpr int kLargestSide = 40;  // the driver shrinks anything larger with a resize
constexpr std::uint32_t kPreviewCodes[] = {WM_OP_BRIGHTNESS_CONTRAST,
                                           WM_OP_TRANSPARENCY,
                                           WM_OP_HSL,
                                           WM_OP_BINARIZE,
                                           WM_OP_MOSAIC,
                                           WM_OP_ROTATE};

// The selection as the operations see it: cut to the image, none when nothing is left.
std::optional<Region> Clamped(const std::optional<Region>& selection, const PixelImage& image) {
  if (!selection) {
    return std::nullopt;
  }
  const Region r{std::max(selection->left, 0), std::max(selection->top, 0),
                 std::min(selection->right, image.width - 1),
                 std::min(selection->bottom, image.height - 1)};
  if (r.left > r.right || r.top > r.bottom) {
    return std::nullopt;
  }
  return r;
}

// The routine run on the selected pixels (or the whole image), put back where they came from.
// The routines are the product's: their own suites check them against formulas.
ImagePtr Edited(const PixelImage& image, const std::optional<Region>& region,
                const Routine& routine) {
  ImagePtr part = region ? CropImage(image, *region) : CloneImage(image);
  ImagePtr result = CloneImage(*part);
  routine(*part, *result);
  if (!region) {
    return result;
  }
  ImagePtr whole = CloneImage(image);
  EXPECT_TRUE(PasteImage(*result, *whole, *region));
  return whole;
}

// The history as a user sees it. images[k] is the picture after k applied steps; images[0] is
// the oldest state undo can reach. A step dropped for the budget takes images[0] with it.
class HistoryModel {
 public:
  struct Step {
    std::uint32_t code;
    std::optional<Region> region;
    std::size_t bytes;
  };

  explicit HistoryModel(ImagePtr opened) { images_.push_back(std::move(opened)); }

  const PixelImage& Shown() const { return *images_[position_]; }
  const PixelImage& BeforeCurrent() const { return *images_[position_ - 1]; }
  const Step* Current() const { return position_ ? &steps_[position_ - 1] : nullptr; }
  std::size_t Position() const { return position_; }
  std::size_t StepCount() const { return steps_.size(); }
  bool Modified() const { return position_ > 0 || baseDiffers_; }
  std::size_t Drops() const { return drops_; }
  std::size_t TotalBytes() const {
    return std::accumulate(steps_.begin(), steps_.end(), std::size_t{0},
                           [](std::size_t total, const Step& step) { return total + step.bytes; });
  }

  // A new step: the redo branch goes, then the oldest steps until it fits.
  void Push(ImagePtr result, Step step, std::size_t budget) {
    images_.resize(position_ + 1);
    steps_.resize(position_);
    while (!steps_.empty() && TotalBytes() + step.bytes > budget) {
      DropOldest();
    }
    images_.push_back(std::move(result));
    steps_.push_back(step);
    ++position_;
  }
  // A rerun into the current step; a larger result drops the oldest steps before it.
  void Replace(ImagePtr result, std::size_t bytes, std::size_t budget) {
    images_[position_] = std::move(result);
    steps_[position_ - 1].bytes = bytes;
    while (position_ > 1 && TotalBytes() > budget) {
      DropOldest();
    }
  }
  void Undo() { position_ -= position_ > 0; }
  void Redo() { position_ += position_ < steps_.size(); }
  // Cancel: the current step and anything after it are gone.
  void Restore() {
    if (position_ > 0) {
      images_.resize(position_);
      steps_.resize(position_ - 1);
      --position_;
    }
  }
  void Saved() {
    images_.erase(images_.begin(), images_.begin() + static_cast<std::ptrdiff_t>(position_));
    images_.resize(1);
    steps_.clear();
    position_ = 0;
    baseDiffers_ = false;
  }

 private:
  void DropOldest() {
    images_.erase(images_.begin());
    steps_.erase(steps_.begin());
    --position_;
    baseDiffers_ = true;
    ++drops_;
  }

  std::vector<ImagePtr> images_;
  std::vector<Step> steps_;
  std::size_t position_ = 0;
  bool baseDiffers_ = false;
  std::size_t drops_ = 0;
};

// The current step's place in the document's history, counted from the oldest (0: none).
std::size_t HistoryPosition(const CVantoriaDoc& document) {
  std::size_t position = 0;
  for (const HistoryStep* step = document.GetHistory().oldest(); step; step = step->newer.get()) {
    ++position;
    if (step == document.GetCurrentStep()) {
      return position;
    }
  }
  return 0;
}

// An adjustable operation with its slider values: the message its dialog posts and what the
// message must do, worked out from the values directly.
struct Adjustment {
  std::uint32_t code;
  LParam lParam;
  Routine routine;  // empty for rotate, whose result has its own size
  unsigned angle = 0;
};

class ModelRun {
 public:
  ModelRun(std::uint32_t seed, std::size_t budget)
      : random_(seed), budget_(budget), model_(StartImage()) {
    host_.document.InitImage(CloneImage(model_.Shown()));
    host_.document.SetHistoryBudget(budget_);
  }

  // One user action and the messages it posts, each followed by the full comparison.
  void Step(int number) {
    number_ = number;
    if (dialog_) {
      DialogAction();
    } else if (model_.Shown().width > kLargestSide || model_.Shown().height > kLargestSide) {
      Resize(Pick(1, 24), Pick(1, 24));
    } else {
      FreeAction();
    }
  }
  std::size_t Drops() const { return model_.Drops(); }
  std::size_t Refusals() const { return refusals_; }

 private:
  int Pick(int low, int high) { return std::uniform_int_distribution<int>(low, high)(random_); }
  bool Chance(int percent) { return Pick(0, 99) < percent; }

  ImagePtr StartImage() {
    const auto [height, width] =
        Chance(50) ? test::kEdgeSizes[Pick(0, std::size(test::kEdgeSizes) - 1)]
                   : std::pair<std::int32_t, std::int32_t>{Pick(1, 32), Pick(1, 32)};
    return test::RandomImage(random_, height, width);
  }

  void FreeAction() {
    const int roll = Pick(0, 99);
    if (roll < 24) {
      FixedEdit();
    } else if (roll < 38) {
      OpenDialog();
    } else if (roll < 48) {
      ChangeSelection();
    } else if (roll < 68) {  // each says whether it could move
      const bool back = roll < 60;
      const bool moves = back ? model_.Position() > 0 : model_.Position() < model_.StepCount();
      CVantoriaDoc& document = host_.document;
      Act(
          back ? "undo" : "redo", [&] { back ? model_.Undo() : model_.Redo(); },
          [&] { EXPECT_EQ(back ? document.Undo() : document.Redo(), moves) << Where(); });
    } else if (roll < 74) {
      Crop();
    } else if (roll < 79) {
      Resize(Pick(1, 30), Pick(1, 30));
    } else if (roll < 85) {
      Rotate(Chance(50) ? kRotateRightAngle : kRotateLeftAngle, 1);
    } else if (roll < 89) {
      Save();
    } else if (roll < 94) {
      StrayMessage();
    } else {
      IgnoredMessage();
    }
  }

  void FixedEdit() {
    struct Fixed {
      OperationMessage message;
      Routine routine;
    };
    const Fixed table[] = {
        {{WM_OP_INVERT, 0, 0}, InvertColors},
        {{WM_OP_GRAYSCALE, kGrayMaximum, 0}, GrayscaleByMaximum},
        {{WM_OP_GRAYSCALE, kGrayAverage, 0}, GrayscaleByAverage},
        {{WM_OP_GRAYSCALE, kGrayWeighted, 0}, GrayscaleByWeightedAverage},
        {{WM_OP_REDEYE, 0, 0}, RemoveRedEye},
        {{WM_OP_MIRROR, kMirrorHorizontal, 0}, MirrorHorizontal},
        {{WM_OP_MIRROR, kMirrorVertical, 0}, MirrorVertical},
        {{WM_OP_SHARPEN, 0, 0},
         [](const PixelImage& s, PixelImage& d) { SharpenLaplacian(s, d, kSharpenKernel, 3); }},
        {{WM_OP_SOFTEN, kSoftenBox, 0},
         [](const PixelImage& s, PixelImage& d) { SmoothWithKernel(s, d, kSmoothKernels[0], 9); }},
        {{WM_OP_SOFTEN, kSoftenGaussian, 0},
         [](const PixelImage& s, PixelImage& d) { SmoothWithKernel(s, d, kSmoothKernels[1], 16); }},
        {{WM_OP_SOFTEN, kSoftenMedian, 0},
         [](const PixelImage& s, PixelImage& d) { MedianFilter(s, d, kSmoothKernels[2], 5); }},
        {{WM_OP_EMBOSS, 0, 0}, Emboss},
        {{WM_OP_SKETCH, 0, 0}, Sketch},
    };
    const Fixed& fixed = table[Pick(0, std::size(table) - 1)];
    NewSameSizeStep(fixed.message, fixed.routine);
  }

  // A same-size step on the selection: refused with a message when before + after cannot fit.
  void NewSameSizeStep(const OperationMessage& message, const Routine& routine) {
    const PixelImage& shown = model_.Shown();
    const std::optional<Region> region = Clamped(selection_, shown);
    const std::size_t bytes = 2 * sizeof(Pixel) *
                              static_cast<std::size_t>(region ? region->height() * region->width()
                                                              : shown.height * shown.width);
    Post(message, [&] {
      if (bytes > budget_) {
        return Refused();
      }
      model_.Push(Edited(shown, region, routine), {message.code, region, bytes}, budget_);
      return 0;
    });
  }

  Adjustment RandomAdjustment(std::uint32_t code) {
    const int a = Pick(-100, 100);
    const int b = Pick(-100, 100);
    const int c = Pick(-100, 100);
    switch (code) {
      case WM_OP_BRIGHTNESS_CONTRAST:
        return {code, PackBrightnessContrast(a, b), [=](const PixelImage& s, PixelImage& d) {
                  AdjustBrightnessContrast(s, d, static_cast<int>(a * 2.55), b / 100.0);
                }};
      case WM_OP_TRANSPARENCY:
        return {code, PackTransparency(a), [=](const PixelImage& s, PixelImage& d) {
                  AdjustTransparency(s, d, static_cast<int>(a * 2.55));
                }};
      case WM_OP_HSL:
        return {code, PackHsl(a, b, c), [=](const PixelImage& s, PixelImage& d) {
                  AdjustHueSaturationLightness(s, d, a * 3.6, b / 100.0, c / 100.0);
                }};
      case WM_OP_BINARIZE: {
        const int threshold = Pick(0, 255);
        return {code, PackThreshold(threshold),
                [=](const PixelImage& s, PixelImage& d) { Binarize(s, d, threshold); }};
      }
      case WM_OP_MOSAIC: {
        const unsigned size = static_cast<unsigned>(Pick(1, 9));
        return {code, PackBlockSize(size),
                [=](const PixelImage& s, PixelImage& d) { Mosaic(s, d, size); }};
      }
      default: {
        const unsigned angle = static_cast<unsigned>(Pick(0, 359));
        return {WM_OP_ROTATE, PackAngle(angle), {}, angle};
      }
    }
  }

  void OpenDialog() {
    const Adjustment first = RandomAdjustment(kPreviewCodes[Pick(0, std::size(kPreviewCodes) - 1)]);
    const bool preview = Chance(75);
    const WParam wParam = PackWParam(preview ? kOriginFirstControl : kOriginFinal, true);
    if (first.code == WM_OP_ROTATE) {
      Rotate(first.angle, wParam);
    } else {
      NewSameSizeStep({first.code, wParam, first.lParam}, first.routine);
    }
    if (preview) {
      dialog_ = first;  // the dialog stays open: previews, then OK or Cancel
    }
  }

  void DialogAction() {
    const int roll = Pick(0, 99);
    if (roll < 55) {
      *dialog_ = RandomAdjustment(dialog_->code);
      Rerun(*dialog_, PackWParam(kOriginSecondControl, false));
    } else if (roll < 80) {
      if (Chance(50)) {  // OK with values changed since the last preview
        Rerun(RandomAdjustment(dialog_->code), PackWParam(kOriginFinal, false));
      }
      dialog_.reset();
    } else {
      Restore();
      dialog_.reset();
    }
  }

  // A rerun goes into the current step when that step is the same operation's and the newest:
  // steps after it were made from its old result.
  void Rerun(const Adjustment& values, WParam wParam) {
    Post({values.code, wParam, values.lParam}, [&] {
      const HistoryModel::Step* current = model_.Current();
      if (!current || current->code != values.code || model_.Position() != model_.StepCount()) {
        return 0;
      }
      const PixelImage& before = model_.BeforeCurrent();
      if (values.code == WM_OP_ROTATE) {
        ImagePtr turned = RotateImage(before, values.angle);
        const std::size_t bytes = before.byteSize() + turned->byteSize();
        if (bytes > budget_) {  // this angle's picture does not fit: the step stays as it was
          return Refused();
        }
        model_.Replace(std::move(turned), bytes, budget_);
      } else {
        model_.Replace(Edited(before, current->region, values.routine), current->bytes, budget_);
      }
      return 0;
    });
  }

  void ChangeSelection() {
    const int w = model_.Shown().width;
    const int h = model_.Shown().height;
    const int roll = Pick(0, 9);
    if (roll < 2) {
      selection_.reset();
    } else if (roll < 3) {
      selection_ = Region{0, 0, w - 1, h - 1};
    } else {  // anywhere near the image: past its edges, inverted or wholly outside too
      selection_ = Region{Pick(-4, w + 2), Pick(-4, h + 2), Pick(-4, w + 4), Pick(-4, h + 4)};
    }
    Act(
        "select", [] {}, [&] { host_.selection = selection_; });
  }

  void Crop() {
    const PixelImage& shown = model_.Shown();
    const std::optional<Region> region = Clamped(selection_, shown);
    Post({WM_OP_CROP, 0, 0}, [&] {
      if (!region) {
        expectedShown_.append(texts::CropNeedsSelection());
        return 1;
      }
      if (region->width() == shown.width && region->height() == shown.height) {
        return 0;
      }
      return PushWhole(WM_OP_CROP, shown, CropImage(shown, *region));
    });
  }

  void Resize(int width, int height) {
    const PixelImage& shown = model_.Shown();
    Post({WM_OP_RESIZE, 1, PackSize(width, height)}, [&] {
      ImagePtr result = CreateImage(height, width);
      ResizeImage(shown, *result, width, height);
      return PushWhole(WM_OP_RESIZE, shown, std::move(result));
    });
  }

  void Rotate(unsigned angle, WParam wParam) {
    const PixelImage& shown = model_.Shown();
    Post({WM_OP_ROTATE, wParam, PackAngle(angle)},
         [&] { return PushWhole(WM_OP_ROTATE, shown, RotateImage(shown, angle)); });
  }

  // A step of whole pictures, refused up front when before and after could not fit.
  int PushWhole(std::uint32_t code, const PixelImage& before, ImagePtr after) {
    const std::size_t bytes = before.byteSize() + after->byteSize();
    if (bytes > budget_) {
      return Refused();
    }
    model_.Push(std::move(after), {code, std::nullopt, bytes}, budget_);
    return 0;
  }

  // Save as PNG to one of two names, or to a name no encoder takes. Saving an unmodified
  // document under its own name writes nothing and keeps the redo branch.
  void Save() {
    const int choice = Pick(0, 9);
    const QString path = dir_.filePath(choice < 5 ? "a.png" : choice < 9 ? "b.png" : "c.xyz");
    const bool unknownType = choice == 9;
    const bool nothingToWrite = !model_.Modified() && path == host_.document.GetPathName();
    const bool empty = model_.Shown().width == 0 || model_.Shown().height == 0;
    const bool expectSaved = nothingToWrite || (!unknownType && !empty);
    bool saved = false;
    Act(
        "save " + path.toStdString(),
        [&] {
          if (expectSaved && !nothingToWrite) {
            model_.Saved();
          }
        },
        [&] { saved = host_.document.DoSave(path, true); });
    ASSERT_EQ(saved, expectSaved) << Where() << host_.document.GetLastError().toStdString();
    if (saved && !nothingToWrite) {
      QString error;
      ImagePtr back = DecodeImageFile(path, kUnlimited, &error);
      ASSERT_TRUE(back) << Where() << error.toStdString();
      ASSERT_TRUE(test::ImagesEqual(*back, model_.Shown())) << Where();
    }
  }

  // Reruns and restores without a dialog: a rerun only ever touches a step of its own kind, and
  // only the newest one. Half of them are of the current step's kind, undone or not.
  void StrayMessage() {
    if (Chance(30)) {
      return Restore();
    }
    const std::uint32_t codes[] = {WM_OP_BRIGHTNESS_CONTRAST, WM_OP_HSL, WM_OP_MOSAIC,
                                   WM_OP_ROTATE};
    const HistoryModel::Step* current = model_.Current();
    const bool same = current && IsPreviewMessage(current->code) && Chance(50);
    Rerun(RandomAdjustment(same ? current->code : codes[Pick(0, std::size(codes) - 1)]),
          PackWParam(kOriginFirstControl, false));
  }

  void Restore() {
    Post({WM_OP_RESTORE, 0, 0}, [&] {
      model_.Restore();
      return 0;
    });
  }

  // Parameters every handler ignores: nothing changes, nothing is shown.
  void IgnoredMessage() {
    const OperationMessage ignored[] = {
        {WM_OP_GRAYSCALE, 3, 0},
        {WM_OP_SOFTEN, 3, 0},
        {WM_OP_SHARPEN, 1, 0},
        {WM_OP_ROTATE, 1, 360},
        {WM_OP_MOSAIC, 0, 0},
        {WM_OP_MOSAIC, 1, 0x10000},  // only the low 16 bits count: block size 0
        {WM_OP_RESIZE, 1, PackSize(0, 5)},
        {WM_OP_RESIZE, 1, PackSize(5, 40000)},
        {kLastCode + 1, 1, 1},
    };
    Post(ignored[Pick(0, std::size(ignored) - 1)], [] { return 0; });
  }

  // The step cannot fit the history's budget whatever is dropped.
  int Refused() {
    ++refusals_;
    expectedShown_.append(texts::StepTooLarge());
    return 1;
  }

  static bool IsPreviewMessage(std::uint32_t code) {
    return std::find(std::begin(kPreviewCodes), std::end(kPreviewCodes), code) !=
           std::end(kPreviewCodes);
  }

  // After a dialog's first preview was refused, its reruns and its restore change nothing,
  // until its final message or another operation.
  bool IgnoredAfterRefusedPreview(const OperationMessage& message) {
    if (!refusedPreview_) {
      return false;
    }
    const bool rerun = IsPreviewMessage(message.code) && !NewStepBit(message.wParam);
    refusedPreview_ = rerun && (message.wParam >> 1) != kOriginFinal;
    return rerun || message.code == WM_OP_RESTORE;
  }

  // Posts the message; `expect` updates the model and returns how many messages the user sees.
  void Post(const OperationMessage& message, const std::function<int()>& expect) {
    const std::string what = "message " + std::to_string(message.code) + " w " +
                             std::to_string(message.wParam) + " l " +
                             std::to_string(message.lParam);
    Act(
        what,
        [&] {
          if (IgnoredAfterRefusedPreview(message)) {
            return;
          }
          const int shown = expect();
          if (IsPreviewMessage(message.code) && NewStepBit(message.wParam) &&
              (message.wParam >> 1) != kOriginFinal) {
            refusedPreview_ = shown > 0;
          }
        },
        [&] { host_.dispatcher.Dispatch(message); });
  }

  // Runs the action on the model and on the document, then compares them.
  void Act(const std::string& what, const std::function<void()>& onModel,
           const std::function<void()>& onDocument) {
    action_ = what;
    onModel();
    onDocument();
    Compare();
  }

  void Compare() {
    const CVantoriaDoc& document = host_.document;
    ASSERT_TRUE(document.HasImage()) << Where();
    ASSERT_TRUE(test::ImagesEqual(*document.GetImage(), model_.Shown())) << Where();
    ASSERT_EQ(document.IsModified(), model_.Modified()) << Where();
    ASSERT_EQ(document.GetHistory().count(), model_.StepCount()) << Where();
    ASSERT_EQ(HistoryPosition(host_.document), model_.Position()) << Where();
    ASSERT_EQ(document.GetHistory().byteSize(), model_.TotalBytes()) << Where();
    ASSERT_LE(document.GetHistory().byteSize(), budget_) << Where();
    ASSERT_EQ(host_.shown, expectedShown_) << Where();
  }

  std::string Where() const { return "step " + std::to_string(number_) + ": " + action_ + "\n"; }

  std::mt19937 random_;
  std::size_t budget_;
  HistoryModel model_;
  test::TestHost host_;
  QTemporaryDir dir_;
  std::optional<Region> selection_;
  std::optional<Adjustment> dialog_;
  bool refusedPreview_ = false;
  QStringList expectedShown_;
  std::size_t refusals_ = 0;
  int number_ = 0;
  std::string action_;
};

// Without a limit nothing is dropped or refused; with a budget of a couple of whole-image steps
// (or less than one whole picture twice), old steps are dropped all the time and large edits
// refused, and the document still shows exactly what the model says.
TEST(ModelHistory, ThousandsOfRandomStepsMatchTheModel) {
  for (const unsigned seed : {1u, 2u, 3u, 4u, 11u, 12u, 13u, 21u}) {
    const std::size_t budget = seed > 20 ? 3000 : seed > 10 ? 8192 : kUnlimited;
    SCOPED_TRACE("seed " + std::to_string(seed));
    ModelRun run(seed, budget);
    for (int step = 0; step < 2500 && !::testing::Test::HasFatalFailure(); ++step) {
      run.Step(step);
    }
    EXPECT_EQ(run.Drops() > 100 && run.Refusals() > 10, budget != kUnlimited);
    EXPECT_EQ(run.Drops() + run.Refusals() == 0, budget == kUnlimited);
  }
}

}  // namespace
}  // namespace vantoria
