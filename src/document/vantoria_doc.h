#pragma once

#include <QString>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>

#include "core/history_list.h"
#include "core/pixel_image.h"
#include "document/document.h"

namespace vantoria {

// One open picture: its image, its edit history and the position in that history.
// Every change of the image goes through ApplyImage; the document never shares pixels with
// its history.
class CVantoriaDoc : public CDocument {
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

  // Starts the document afresh with `image`, as just opened: no history, not modified.
  void InitImage(ImagePtr image);
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

  // Discards the redo branch, makes room under the history budget by dropping the oldest
  // steps, then appends the step and makes it current. The step's images must be allocated.
  HistoryStep* OpenStep(HistoryStepPtr step);
  // Opens the step and shows its result. False, with the image and the history as they were
  // (no older step dropped either), when the result cannot be installed.
  [[nodiscard]] bool CommitStep(HistoryStepPtr step);
  // Drops the oldest steps before the current one while the history is over its budget: a
  // rerun can make the current step larger than it was when it was opened.
  void FitHistoryInBudget();
  // Undoes the current step and removes it with anything newer (a cancelled preview). False
  // when memory runs out for the picture before it: the step then stays, still undoable.
  [[nodiscard]] bool RestoreCurrentStep();
  // Whether a step holding `bytes` could fit under the budget once older steps are dropped.
  bool StepFitsBudget(std::size_t bytes) const { return bytes <= m_nHistoryBudget; }
  void SetHistoryBudget(std::size_t bytes) { m_nHistoryBudget = bytes; }
  std::size_t GetHistoryBudget() const { return m_nHistoryBudget; }

  // --- files (vantoria_doc_file.cpp) ---
  [[nodiscard]] bool OnOpenDocument(const QString& path);
  [[nodiscard]] bool LoadImageFile(const QString& path);
  // True when the file was written, or when nothing needed writing.
  [[nodiscard]] bool OnSaveDocument(const QString& path);
  [[nodiscard]] bool SaveImageFile(const QString& path);
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
  void DiscardRedoBranch();
  void DropOldestStep();
  void ShowChangedImage();

  ImagePtr m_pImage;
  HistoryList m_history;
  HistoryStep* m_pCurrentStep = nullptr;
  std::uint64_t m_nImageVersion = 0;
  // Set when a step already applied was dropped to stay under the budget: the oldest state
  // the history can reach then differs from the file, so the document stays modified.
  bool m_bBaseDiffersFromFile = false;
  std::size_t m_nHistoryBudget;
  std::function<QString()> m_savePathPrompt;
  QString m_strLastError;
};

}  // namespace vantoria
