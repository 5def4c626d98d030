#pragma once

#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>
#include <vector>

#include "framework/recent_file_list.h"
#include "framework/user_prompts.h"

class QMdiArea;
class QWidget;

namespace vantoria {

class CChildFrame;
class CVantoriaDoc;

// Keeps the open documents and their windows: opens a document by path (or brings its window
// forward when it is already open), makes new empty documents, opens further windows on a
// document, asks to save changes before a modified document's last window closes, and closes a
// document once its last window is gone.
class CDocManager : public QObject {
  Q_OBJECT

 public:
  explicit CDocManager(QObject* parent = nullptr);
  ~CDocManager() override;

  // Where new windows go and what dialogs are centred on.
  void SetMdiArea(QMdiArea* area) { m_pMdiArea = area; }
  // The save dialog's name filters; empty when no format can be written.
  void SetSaveFilters(const QStringList& nameFilters) { m_saveFilters = nameFilters; }
  // The files opened or saved last, newest first; kept in the settings as they change.
  CRecentFileList& RecentFiles() { return m_recentFiles; }
  const CRecentFileList& RecentFiles() const { return m_recentFiles; }
  // The folder of the file opened or saved last (the home folder before any).
  QString LastFolder() const;

  // --- opening ---
  // The document for the file, with a window active on it; none when the file was refused,
  // which has been told to the user.
  CVantoriaDoc* OpenDocumentFile(const QString& path);
  // The clipboard's picture as a new, modified document titled like a new file; none, with the
  // user told why, when the clipboard holds no picture (document_manager_paste.cpp).
  CVantoriaDoc* PasteAsNewDocument();
  // A document without an image ("Vanto1", "Vanto2", ...) in a new window.
  CVantoriaDoc* OpenNewDocument();
  // Readies memory for the next edit of the document's picture on a background thread, so a
  // first preview does not wait for fresh memory.
  static void PrepareForNextEdit(const CVantoriaDoc* document);
  // A further window on the document; numbers the windows' titles.
  CChildFrame* CreateNewFrame(CVantoriaDoc* document);

  // --- saving (document_manager_save.cpp) ---
  // The file is written on a worker from a copy of the picture while the window goes on, or
  // at once from the document's own picture when the memory budget has no free room for the
  // copy. The document takes the path and title, and leaves the modified state unless edited
  // meanwhile, once the file is on disk; a failure is told to the user then. A document's
  // second save waits for its first.
  // Save: in place when the document has a writable path in a format that can be written, else
  // under a path asked for (a picture in a read-only format is offered as PNG). True when the
  // save was started or made, or nothing needed writing.
  [[nodiscard]] bool DoFileSave(CVantoriaDoc* document);
  // Save As: always asks for the path, starting from the document's folder, name and type; a
  // name typed without extension gets the one of the type selected. The document takes it.
  [[nodiscard]] bool DoFileSaveAs(CVantoriaDoc* document);
  // Asks whether to save a modified document and waits for the save; false when the user
  // cancels or saving fails.
  [[nodiscard]] bool SaveModified(CVantoriaDoc* document);
  // SaveModified for every document in turn, once running saves have ended; false at the
  // first refusal.
  [[nodiscard]] bool SaveAllModified();
  // Runs the event loop, without user input, until the document's saves (every document's
  // when none is given) have ended and their results have been taken.
  void WaitForSaves(const CVantoriaDoc* document = nullptr);
  // "正在保存 a.png…" while saves run; empty when none does.
  QString SaveStatusText() const;

  // --- closing ---
  // Asks to save, then closes every window of the document. False when the user kept it.
  [[nodiscard]] bool CloseDocument(CVantoriaDoc* document);
  // Closes every window of every document without asking.
  void CloseAllDocuments();
  // Whether a window may close: true unless it is the document's last window and the user
  // keeps the unsaved changes.
  bool CanCloseFrame(CChildFrame* frame);
  // Called by a window as it goes; the document goes with its last window.
  void OnFrameDestroyed(CChildFrame* frame);

  // --- lookup ---
  QList<CVantoriaDoc*> Documents() const;
  QList<CChildFrame*> FramesOf(const CVantoriaDoc* document) const;

 signals:
  // A file was opened or saved; the recent-file list and the last folder have taken it.
  void fileUsed(const QString& path);
  // A save started or ended: SaveStatusText changed.
  void savesChanged();

 private:
  struct SaveJob;  // a save running on a worker (document_manager_save.cpp)
  struct Entry {
    CVantoriaDoc* document;
    QList<QPointer<CChildFrame>> frames;  // in creation order
    bool alphaLossAccepted = false;       // saving its transparency away was agreed to
  };

  CVantoriaDoc* Adopt(CVantoriaDoc* document);
  Entry* EntryOf(const CVantoriaDoc* document);
  CVantoriaDoc* FindByPath(const QString& path) const;
  void ActivateFrame(CChildFrame* frame);
  void SizeNewFrame(CChildFrame* frame, const CVantoriaDoc* document);
  void RenumberFrames(const Entry& entry);
  [[nodiscard]] bool SaveAs(CVantoriaDoc* document, const QString& path);
  [[nodiscard]] bool StartSave(CVantoriaDoc* document, const QString& path);
  void OnSaveFinished(SaveJob* job);
  bool IsSaving(const CVantoriaDoc* document) const;
  QString AskSavePath(CVantoriaDoc* document);
  prompts::SavePathRequest SaveRequestFor(const CVantoriaDoc& document) const;
  [[nodiscard]] bool ConfirmAlphaLoss(CVantoriaDoc* document, const QString& path);
  void NoteFileUsed(const QString& path);
  QWidget* DialogParent() const;

  QMdiArea* m_pMdiArea = nullptr;
  QStringList m_saveFilters;
  CRecentFileList m_recentFiles;
  std::vector<Entry> m_entries;  // in opening order
  int m_nUntitledCount = 0;
  std::vector<std::unique_ptr<SaveJob>> m_saves;  // in starting order
};

}  // namespace vantoria
