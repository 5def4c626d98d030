#pragma once

#include <QObject>
#include <QStringList>
#include <memory>
#include <optional>

#include "document/image_codecs.h"
#include "framework/recent_file_list.h"
#include "operations/operation_dispatcher.h"

namespace vantoria {

class CDocManager;
class CMainFrame;

// The application object: created once in main() after the QApplication. It starts the
// program (settings, file filters, main window, the files named on the command line), handles
// the application's own commands (About, Open, New, Exit) and runs every operation message
// through the dispatcher on the active image window.
class CVantoriaApp : public QObject, public DispatchHost {
  Q_OBJECT

 public:
  explicit CVantoriaApp(QObject* parent = nullptr);
  ~CVantoriaApp() override;
  CVantoriaApp(const CVantoriaApp&) = delete;
  CVantoriaApp& operator=(const CVantoriaApp&) = delete;

  // Creates and shows the main window and opens each file named in `files`. A file that cannot
  // be opened is reported and skipped; the main window stays. False when the main window could
  // not be made.
  [[nodiscard]] bool InitInstance(const QStringList& files);
  // Saves the settings; returns the exit code given.
  int ExitInstance(int exitCode);

  CMainFrame* GetMainFrame() const { return m_pMainFrame.get(); }
  CDocManager& GetDocManager() const { return *m_pDocManager; }
  const CRecentFileList& GetRecentFileList() const;
  // The file dialogs' filters: the open filter lists every readable format, the save filter
  // every writable one (empty when there is none).
  const FileFilters& GetFileFilters() const { return m_filters; }

  // --- application commands (vantoria_app_commands.cpp) ---
  void OnCommand(int id);
  void OnAppAbout();
  void OnFileOpen();
  void OnFileNew();
  void OnAppExit();

  // --- DispatchHost ---
  CVantoriaDoc* ActiveDocument() override;
  std::optional<Region> GetSelectionRect() override;
  void ShowMessage(const QString& text) override;

  bool event(QEvent* event) override;

 private:
  FileFilters m_filters;
  OperationDispatcher m_dispatcher;
  // Declared before the main frame: the image windows report to it while the frame goes.
  std::unique_ptr<CDocManager> m_pDocManager;
  std::unique_ptr<CMainFrame> m_pMainFrame;
};

// The application object; it must exist.
CVantoriaApp& theApp();

}  // namespace vantoria
