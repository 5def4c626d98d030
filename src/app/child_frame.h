#pragma once

#include <QMdiSubWindow>
#include <QPointer>

namespace vantoria {

class CDocManager;
class CVantoriaDoc;
class CVantoriaView;

// The window of one view onto a document inside the main window. Its title is the document's
// title, numbered ("photo.png:2") when the document has several windows, with a "*" while the
// document has unsaved changes. Closing the document's last window asks to save the changes.
class CChildFrame : public QMdiSubWindow {
  Q_OBJECT

 public:
  CChildFrame(CVantoriaDoc* document, CDocManager& manager, QWidget* parent = nullptr);
  ~CChildFrame() override;

  CVantoriaDoc* GetDocument() const { return m_pDocument; }
  CVantoriaView* GetActiveView() const { return m_pView; }

  // 0 for the document's only window, else this window's number among the document's windows.
  void SetWindowNumber(int number);
  int GetWindowNumber() const { return m_nWindowNumber; }

  // Closes without asking about unsaved changes: the caller has dealt with them.
  void CloseFrame();

 protected:
  void closeEvent(QCloseEvent* event) override;

 private:
  void UpdateFrameTitle();
  void ReleaseCtrlW();

  CVantoriaDoc* m_pDocument;
  QPointer<CDocManager> m_pManager;
  CVantoriaView* m_pView;  // owned by this frame
  int m_nWindowNumber = 0;
  bool m_bCloseWithoutAsking = false;
};

}  // namespace vantoria
