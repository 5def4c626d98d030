#include "framework/user_prompts.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPushButton>
#include <algorithm>

#include "document/file_types.h"
#include "res/command_strings.h"

namespace vantoria::prompts {

namespace {

// The dialog gives a name the extension of the selected entry's first pattern when the type
// changes: lower-case patterns go first so that "photo.png" does not become "photo.PNG".
QString LowerCaseFirst(const QString& nameFilter) {
  const qsizetype open = nameFilter.lastIndexOf('(');
  if (open < 0 || !nameFilter.endsWith(')')) {
    return nameFilter;
  }
  QStringList patterns = nameFilter.mid(open + 1).chopped(1).split(' ', Qt::SkipEmptyParts);
  std::stable_partition(patterns.begin(), patterns.end(),
                        [](const QString& pattern) { return pattern == pattern.toLower(); });
  return nameFilter.left(open + 1) + patterns.join(' ') + ')';
}

}  // namespace

Hooks& CurrentHooks() {
  static Hooks hooks;
  return hooks;
}

QString SaveChangesQuestion(const QString& documentTitle) {
  return QStringLiteral("是否保存对 %1 的更改？").arg(documentTitle);
}

void ShowWarning(QWidget* parent, const QString& text) {
  if (CurrentHooks().warning) {
    CurrentHooks().warning(text);
    return;
  }
  QMessageBox box(QMessageBox::Warning, res::AppTitle(), text, QMessageBox::Ok, parent);
  box.button(QMessageBox::Ok)->setText(QStringLiteral("确定"));
  box.exec();
}

SaveChangesAnswer AskSaveChanges(QWidget* parent, const QString& documentTitle) {
  const QString question = SaveChangesQuestion(documentTitle);
  if (CurrentHooks().saveChanges) {
    return CurrentHooks().saveChanges(question);
  }
  QMessageBox box(QMessageBox::Question, res::AppTitle(), question,
                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, parent);
  box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
  box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
  box.button(QMessageBox::Cancel)->setText(QStringLiteral("取消"));
  box.setDefaultButton(QMessageBox::Yes);
  box.setEscapeButton(QMessageBox::Cancel);
  switch (box.exec()) {
    case QMessageBox::Yes:
      return SaveChangesAnswer::Save;
    case QMessageBox::No:
      return SaveChangesAnswer::Discard;
    default:
      return SaveChangesAnswer::Cancel;
  }
}

QStringList AskOpenPaths(QWidget* parent, const QStringList& nameFilters, const QString& folder) {
  if (CurrentHooks().openPath) {
    return CurrentHooks().openPath(nameFilters);
  }
  return QFileDialog::getOpenFileNames(parent, QStringLiteral("打开"), folder,
                                       nameFilters.join(QStringLiteral(";;")));
}

SavePathAnswer AskSavePath(QWidget* parent, const SavePathRequest& request) {
  if (CurrentHooks().savePath) {
    return CurrentHooks().savePath(request);
  }
  QFileDialog dialog(parent, QStringLiteral("另存为"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  QStringList nameFilters;
  for (const QString& filter : request.nameFilters) {
    nameFilters.append(LowerCaseFirst(filter));
  }
  dialog.setNameFilters(nameFilters);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  const QFileInfo initial(request.initialPath);
  dialog.setDirectory(initial.absolutePath());
  // A name typed without an extension gets the one of the type selected, whichever it is.
  QObject::connect(
      &dialog, &QFileDialog::filterSelected, &dialog,
      [&dialog](const QString& filter) { dialog.setDefaultSuffix(SuffixOfNameFilter(filter)); });
  dialog.selectNameFilter(LowerCaseFirst(request.selectedFilter));
  dialog.selectFile(initial.fileName());  // as it was, whatever the entry selected made of it
  dialog.setDefaultSuffix(SuffixOfNameFilter(dialog.selectedNameFilter()));
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return {};
  }
  return {dialog.selectedFiles().constFirst(), dialog.selectedNameFilter()};
}

bool AskYesNo(QWidget* parent, const QString& question) {
  if (CurrentHooks().yesNo) {
    return CurrentHooks().yesNo(question);
  }
  QMessageBox box(QMessageBox::Question, res::AppTitle(), question,
                  QMessageBox::Yes | QMessageBox::No, parent);
  box.button(QMessageBox::Yes)->setText(QStringLiteral("是(&Y)"));
  box.button(QMessageBox::No)->setText(QStringLiteral("否(&N)"));
  box.setDefaultButton(QMessageBox::No);
  box.setEscapeButton(QMessageBox::No);
  return box.exec() == QMessageBox::Yes;
}

}  // namespace vantoria::prompts
