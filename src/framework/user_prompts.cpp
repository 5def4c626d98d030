#include "framework/user_prompts.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

#include "res/command_strings.h"

namespace vantoria::prompts {

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

QString AskOpenPath(QWidget* parent, const QStringList& nameFilters) {
  if (CurrentHooks().openPath) {
    return CurrentHooks().openPath(nameFilters);
  }
  return QFileDialog::getOpenFileName(parent, QStringLiteral("打开"), QString(),
                                      nameFilters.join(QStringLiteral(";;")));
}

QString AskSavePath(QWidget* parent, const QStringList& nameFilters, const QString& defaultSuffix) {
  if (CurrentHooks().savePath) {
    return CurrentHooks().savePath(nameFilters, defaultSuffix);
  }
  QFileDialog dialog(parent, QStringLiteral("另存为"));
  dialog.setAcceptMode(QFileDialog::AcceptSave);
  dialog.setFileMode(QFileDialog::AnyFile);
  dialog.setNameFilters(nameFilters);
  // The format follows the name's extension alone; the filter entry chosen does not matter.
  dialog.setDefaultSuffix(defaultSuffix);
  dialog.setOption(QFileDialog::DontConfirmOverwrite, false);
  if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
    return QString();
  }
  return dialog.selectedFiles().constFirst();
}

}  // namespace vantoria::prompts
