// The application's own commands: About, Open, New and Exit.
#include "app/about_dlg.h"
#include "app/document_manager.h"
#include "app/main_frame.h"
#include "app/vantoria_app.h"
#include "framework/user_prompts.h"
#include "res/command_ids.h"

namespace vantoria {

void CVantoriaApp::OnCommand(int id) {
  switch (id) {
    case cmd::ID_APP_ABOUT:
      OnAppAbout();
      break;
    case cmd::ID_FILE_OPEN:
      OnFileOpen();
      break;
    case cmd::ID_FILE_NEW:
      OnFileNew();
      break;
    case cmd::ID_APP_EXIT:
      OnAppExit();
      break;
    default:
      break;
  }
}

void CVantoriaApp::OnAppAbout() {
  CAboutDlg about(m_pMainFrame.get());
  about.DoModal();
}

void CVantoriaApp::OnFileOpen() {
  const QStringList paths = prompts::AskOpenPaths(m_pMainFrame.get(), ToNameFilters(m_filters.open),
                                                  m_pDocManager->LastFolder());
  for (const QString& path : paths) {
    m_pDocManager->OpenDocumentFile(path);
  }
}

void CVantoriaApp::OnFileNew() {
  m_pDocManager->OpenNewDocument();
}

void CVantoriaApp::OnAppExit() {
  // Closing the main window asks to save each modified document and ends the program.
  if (m_pMainFrame) {
    m_pMainFrame->close();
  }
}

}  // namespace vantoria
