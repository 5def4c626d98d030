#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <limits>
#include <optional>

#include "core/history_list.h"
#include "core/memory_budget.h"
#include "core/pixel_image.h"
#include "document/camera_data.h"
#include "document/document.h"
#include "document/image_codecs.h"

namespace vantoria {

// The picture as it was at one image version, kept apart from the document for a save.
struct SaveSnapshot {
  ImagePtr image;
  MemoryReservation charge;  // the copy's share of the program's budget
  std::uint64_t version = 0;
  CameraData cameraData;  // written into the file beside the picture
};

// One open picture: its image, its edit history and the position in that history.
// Every change of the image goes through ApplyImage; the document never shares pixels with
// its history. The picture and every step are charged to the program's memory budget; when it
// runs short the budget may drop this document's steps older than the current one.
class CVantoriaDoc : public CDocument, public MemoryReclaimer {
  Q_OBJECT

 public:
  explicit CVantoriaDoc(QObject* parent = nullptr);
  ~CVantoriaDoc() override;

  // --- image and history ---
  const PixelImage* GetImage() const { return m_pImage.get(); }
  bool HasImage() const { return m_pImage != nullptr; }
  // Counts every change of the image; a view redraws when it differs from what it last drew.
  std::uint64_t GetImageVersion() const { return m_nImageVersion; }
  const HistoryList& GetHistory() const { return m_history; }
  HistoryStep* GetCurrentStep() const { return m_pCurrentStep; }

  // Starts the document afresh with `image`, as just opened: no history, not modified, with
  // the camera data of its file (none for a picture that comes from no file).
  void InitImage(ImagePtr image, CameraData cameraData = {});
  // The opened file's EXIF, XMP and colour profile, written again into every save.
  const CameraData& GetCameraData() const { return m_cameraData; }
  // Installs `image` (owned by the caller, usually a history step): pasted at `region`, or
  // copied as the whole image. Marks the document by the history rule and repaints the views.
  // False, with the image unchanged, when a copy cannot be allocated.
  [[nodiscard]] bool ApplyImage(const PixelImage& image, const std::optional<Region>& region);
  // False when there is no step to undo or redo, or when memory runs out for a picture of
  // another size; the image is unchanged then.
  [[nodiscard]] bool Undo();
  [[nodiscard]] bool Redo();
  bool CanUndo() const { return m_pCurrentStep != nullptr; }
  bool CanRedo() const { return StepToRedo() != nullptr; }

  // Discards the redo branch, makes room under the history cap by dropping the oldest steps,
  // then appends the step, makes it current and charges it to the program's budget (whose
  // room the caller has asked with EditFits). The step's images must be allocated.
  HistoryStep* OpenStep(HistoryStepPtr step);
  // Opens the step and shows its result. False, with the image and the history as they were
  // (no older step dropped either, here or in another document), when the result cannot be
  // installed or the program's budget cannot hold it.
  [[nodiscard]] bool CommitStep(HistoryStepPtr step);
  // Drops the oldest steps before the current one while the history is over its cap, and
  // charges the current step anew: a rerun can make it larger than it was when it was opened.
  void FitHistoryInBudget();
  // Undoes the current step and removes it with anything newer (a cancelled preview). False
  // when memory runs out for the picture before it: the step then stays, still undoable.
  [[nodiscard]] bool RestoreCurrentStep();
  // A cap of the document's own on its history, below the program's budget: a step holding
  // more than the cap is refused. None (the largest size) unless set.
  bool StepFitsBudget(std::size_t bytes) const { return bytes <= m_nHistoryBudget; }
  void SetHistoryBudget(std::size_t bytes) { m_nHistoryBudget = bytes; }
  std::size_t GetHistoryBudget() const { return m_nHistoryBudget; }
  // Whether the program's budget can hold an edit that makes a step of `stepBytes` and a new
  // picture of `pictureBytes`, once the oldest steps of every document have gone.
  bool EditFits(std::size_t stepBytes, std::size_t pictureBytes = 0) const;

  // --- the program's budget (MemoryReclaimer): steps older than the current one may go ---
  std::optional<std::uint64_t> OldestStamp() const override;
  std::size_t ReclaimableBytes() const override;
  void DropOldest() override;

  // --- files (vantoria_doc_file.cpp) ---
  // Refuses a picture that the program's budget cannot hold `displayCopies` times more
  // (the windows that will show it) beside the picture itself.
  [[nodiscard]] bool OnOpenDocument(const QString& path, int displayCopies = 0);
  [[nodiscard]] bool LoadImageFile(const QString& path, int displayCopies = 0);
  // True when the file was written, or when nothing needed writing.
  [[nodiscard]] bool OnSaveDocument(const QString& path);
  [[nodiscard]] bool SaveImageFile(const QString& path);
  // The encoder for a save under `path`; none, with the reason in GetLastError, when there is
  // no path, no image or no encoder for its type.
  [[nodiscard]] std::optional<ImageEncoder> EncoderForSave(const QString& path);
  // A copy of the picture for a save that runs while the document goes on changing, charged to
  // the program's budget. None when there is no image or the copy would cost undo steps (of
  // any document) or fail: the caller then saves from the document's own picture.
  [[nodiscard]] std::optional<SaveSnapshot> TakeSaveSnapshot() const;
  // The picture as it was at image version `version` is safely in `path`: the document takes
  // the path, and leaves the modified state only when it has not changed since.
  void OnSnapshotSaved(const QString& path, std::uint64_t version);
  // Saves under `path`, or under a path asked of the user when it is empty; with `replace`
  // the document takes the new path and title.
  [[nodiscard]] bool DoSave(const QString& path, bool replace);
  // Where DoSave asks for a path; returns empty when the user cancels.
  void SetSavePathPrompt(std::function<QString()> prompt) { m_savePathPrompt = std::move(prompt); }
  // Why the last open or save failed, for the user.
  const QString& GetLastError() const { return m_strLastError; }

 private:
  HistoryStep* StepToRedo() const {
    return m_pCurrentStep ? m_pCurrentStep->newer.get() : m_history.oldest();
  }
  void SetModifiedByHistory();
  // The file now holds the picture of image version `version`.
  void MarkSaved(std::uint64_t version);
  void DiscardRedoBranch();
  void DropOldestStep();
  void ShowChangedImage();
  // What committing a new step gives back of this document's steps that the budget could not
  // take by itself: the redo branch and the current step.
  std::size_t FreedByNewStep() const;

  ImagePtr m_pImage;
  MemoryReservation m_imageCharge;  // m_pImage's share of the program's budget
  HistoryList m_history;
  HistoryStep* m_pCurrentStep = nullptr;
  std::uint64_t m_nImageVersion = 0;
  // Set when a step already applied was dropped to stay under the budget: the oldest state
  // the history can reach then differs from the file, so the document stays modified.
  bool m_bBaseDiffersFromFile = false;
  std::size_t m_nHistoryBudget = std::numeric_limits<std::size_t>::max();
  std::function<QString()> m_savePathPrompt;
  QString m_strLastError;
  CameraData m_cameraData;
};

}  // namespace vantoria
