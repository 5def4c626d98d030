#pragma once

#include <QObject>
#include <QString>

namespace vantoria {

// What every document has, whatever it holds: a modified flag, the path it was read from or
// last saved to, a title for its windows, and the views to tell when it changed.
// Views connect to `updateViews`; window titles follow `titleChanged` and `modifiedChanged`.
class CDocument : public QObject {
  Q_OBJECT

 public:
  explicit CDocument(QObject* parent = nullptr);

  virtual bool IsModified() const { return m_bModified; }
  virtual void SetModifiedFlag(bool modified);

  const QString& GetPathName() const { return m_strPathName; }
  // Takes the path and makes its file name the title.
  void SetPathName(const QString& path);
  const QString& GetTitle() const { return m_strTitle; }
  void SetTitle(const QString& title);

  // Asks every view of this document to repaint.
  void UpdateAllViews();

 signals:
  void updateViews();
  void modifiedChanged(bool modified);
  void titleChanged(const QString& title);

 private:
  bool m_bModified = false;
  QString m_strPathName;
  QString m_strTitle;
};

}  // namespace vantoria
