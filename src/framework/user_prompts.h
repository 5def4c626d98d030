#pragma once

// Every question the program asks the user, in one place: message boxes and the file dialogs.
// Each can be replaced by a hook, so tests answer instead of a person and nothing blocks.

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace vantoria::prompts {

enum class SaveChangesAnswer { Save, Discard, Cancel };

// A warning box with the application title and an OK button.
void ShowWarning(QWidget* parent, const QString& text);
// "是否保存对 <title> 的更改？" with Yes / No / Cancel.
SaveChangesAnswer AskSaveChanges(QWidget* parent, const QString& documentTitle);
// A file dialog for opening existing files, several at once, starting in `folder`; empty when
// cancelled.
QStringList AskOpenPaths(QWidget* parent, const QStringList& nameFilters, const QString& folder);

struct SavePathRequest {
  QStringList nameFilters;
  QString selectedFilter;  // the entry selected as the dialog opens
  QString initialPath;     // the folder and name shown as the dialog opens
};
struct SavePathAnswer {
  QString path;            // empty when cancelled
  QString selectedFilter;  // the entry selected when the user accepted
};
// A file dialog for saving: a name typed without extension gets the selected entry's, and an
// existing file must be confirmed.
SavePathAnswer AskSavePath(QWidget* parent, const SavePathRequest& request);

// A question with Yes / No; true for Yes.
bool AskYesNo(QWidget* parent, const QString& question);

// The text of the save-changes question for a document title.
QString SaveChangesQuestion(const QString& documentTitle);

// Replacements for the real prompts; an empty function means "ask the user".
struct Hooks {
  std::function<void(const QString& text)> warning;
  std::function<SaveChangesAnswer(const QString& question)> saveChanges;
  std::function<QStringList(const QStringList& nameFilters)> openPath;
  std::function<SavePathAnswer(const SavePathRequest& request)> savePath;
  std::function<bool(const QString& question)> yesNo;
};
Hooks& CurrentHooks();

// Installs hooks for its lifetime and restores the previous ones after.
class ScopedHooks {
 public:
  explicit ScopedHooks(Hooks hooks) : m_previous(CurrentHooks()) {
    CurrentHooks() = std::move(hooks);
  }
  ~ScopedHooks() { CurrentHooks() = std::move(m_previous); }
  ScopedHooks(const ScopedHooks&) = delete;
  ScopedHooks& operator=(const ScopedHooks&) = delete;

 private:
  Hooks m_previous;
};

}  // namespace vantoria::prompts
