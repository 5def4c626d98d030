#include "app/vantoria_app.h"

#include <QCoreApplication>
#include <QSettings>
#include <cstdint>

#include "app/child_frame.h"
#include "app/document_manager.h"
#include "app/main_frame.h"
#include "core/memory_budget.h"
#include "document/file_types.h"
#include "framework/user_prompts.h"
#include "operations/operation_poster.h"
#include "res/app_resources.h"
#include "view/vantoria_view.h"

namespace vantoria {
namespace {

CVantoriaApp* g_pApp = nullptr;

// Memory/BudgetMB in the settings sets the program's memory budget in megabytes; without a
// positive number there it stays half of physical memory.
void ApplyMemoryBudgetSetting() {
  constexpr std::uint64_t kMegabyte = std::uint64_t{1} << 20;
  bool ok = false;
  const std::uint64_t megabytes =
      QSettings().value(QStringLiteral("Memory/BudgetMB")).toULongLong(&ok);
  const bool usable = ok && megabytes > 0 && megabytes <= SIZE_MAX / kMegabyte;
  ProgramMemoryBudget().SetLimit(usable ? static_cast<std::size_t>(megabytes * kMegabyte) : 0);
}

}  // namespace

CVantoriaApp& theApp() {
  Q_ASSERT_X(g_pApp, "theApp", "the application object has not been created");
  return *g_pApp;
}

CVantoriaApp::CVantoriaApp(QObject* parent)
    : QObject(parent), m_dispatcher(*this), m_pDocManager(std::make_unique<CDocManager>()) {
  Q_ASSERT_X(!g_pApp, "CVantoriaApp", "only one application object may exist");
  g_pApp = this;
  QCoreApplication::setOrganizationName(QStringLiteral("Vantoria"));
  QCoreApplication::setApplicationName(QStringLiteral("Vantoria"));
  res::InitResources();
  SetOperationTarget(this);
}

CVantoriaApp::~CVantoriaApp() {
  m_pMainFrame.reset();  // its windows still report to the document manager as they close
  m_pDocManager.reset();
  if (OperationTarget() == this) {
    SetOperationTarget(nullptr);
  }
  g_pApp = nullptr;
}

bool CVantoriaApp::InitInstance(const QStringList& files) {
  m_pDocManager->RecentFiles().ReadList();
  ApplyMemoryBudgetSetting();

  // The filters exist before any dialog can be reached. Opening offers every format Qt reads.
  m_filters = BuildFileFilters().value_or(FileFilters{});
  m_filters.open = BuildOpenFilter(ListReadableFormats(OfferedReaderFormats()));
  m_pDocManager->SetSaveFilters(ToNameFilters(m_filters.save));

  m_pMainFrame = std::make_unique<CMainFrame>(*m_pDocManager);
  connect(m_pMainFrame.get(), &CMainFrame::applicationCommand, this, &CVantoriaApp::OnCommand);
  m_pMainFrame->show();

  // Opened after the window is up, so a refusal has a window to appear over.
  for (const QString& file : files) {
    m_pDocManager->OpenDocumentFile(file);
  }
  return true;
}

const CRecentFileList& CVantoriaApp::GetRecentFileList() const {
  return m_pDocManager->RecentFiles();
}

int CVantoriaApp::ExitInstance(int exitCode) {
  m_pDocManager->RecentFiles().WriteList();
  return exitCode;
}

CVantoriaDoc* CVantoriaApp::ActiveDocument() {
  const CChildFrame* child = g_pMainFrame ? g_pMainFrame->MDIGetActive() : nullptr;
  return child ? child->GetDocument() : nullptr;
}

std::optional<Region> CVantoriaApp::GetSelectionRect() {
  const CVantoriaView* view = g_pMainFrame ? g_pMainFrame->GetActiveView() : nullptr;
  return view ? view->GetSelectionRect() : std::nullopt;
}

void CVantoriaApp::ShowMessage(const QString& text) {
  prompts::ShowWarning(m_pMainFrame.get(), text);
}

bool CVantoriaApp::event(QEvent* event) {
  if (event->type() == OperationEvent::EventType()) {
    m_dispatcher.Dispatch(static_cast<OperationEvent*>(event)->message());
    CDocManager::PrepareForNextEdit(ActiveDocument());
    return true;
  }
  return QObject::event(event);
}

}  // namespace vantoria
