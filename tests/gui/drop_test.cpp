// Files dropped on the main window, and where new image windows go.
#include <QClipboard>
#include <QDropEvent>
#include <QFile>
#include <QMimeData>
#include <QUrl>

#include "res/command_ids.h"
#include "shell_fixture.h"

namespace vantoria::test {
namespace {

using namespace cmd;

TEST_F(ShellTest, DroppedFilesOpenThroughTheOpenPath) {
  const QString picture = WriteImage("dropped.png", 40, 30);
  const QString junk = QFileInfo(picture).dir().filePath("junk.png");
  QFile file(junk);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("not a picture");
  file.close();
  for (int round = 0; round < 2; ++round) {  // the second time the open one comes forward
    QMimeData data;
    data.setUrls({QUrl::fromLocalFile(picture), QUrl::fromLocalFile(junk)});
    QWidget* target = frame->GetMdiArea()->viewport();  // wherever the pointer is
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &enter);
    EXPECT_TRUE(enter.isAccepted());
    QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(target, &drop);
    EXPECT_TRUE(drop.isAccepted());
  }
  EXPECT_EQ(frame->GetMdiArea()->subWindowList().size(), 1);
  ASSERT_NE(ActiveDocument(), nullptr);
  EXPECT_EQ(ActiveDocument()->GetImage()->width, 40);
  EXPECT_EQ(warnings.size(), 2);  // the undecodable file, each time
}

TEST_F(ShellTest, NewWindowsLieWhollyInsideTheArea) {
  frame->resize(900, 700);
  Settle();
  for (const QString name : {"wide.png", "tall.png", "small.png"}) {
    const bool small = name == QStringLiteral("small.png");
    Documents().OpenDocumentFile(WriteImage(name, small ? 50 : 3000, small ? 40 : 2000));
    const QRect area = frame->GetMdiArea()->viewport()->rect();
    EXPECT_TRUE(area.contains(ActiveChild()->geometry())) << name.toStdString();
  }
  EXPECT_LT(ActiveChild()->width(), 300);  // the small picture's window fits it
}

TEST_F(ShellTest, CopyAndPasteAsANewModifiedPicture) {
  Documents().OpenDocumentFile(WriteImage("copied.png", 40, 30, qRgba(10, 20, 30, 128)));
  Trigger(ID_EDIT_COPY);  // no selection: the whole picture, alpha and all
  const QImage copied = QGuiApplication::clipboard()->image();
  ASSERT_EQ(copied.size(), QSize(40, 30));
  EXPECT_EQ(copied.convertToFormat(QImage::Format_ARGB32).pixel(5, 5), qRgba(10, 20, 30, 128));
  Trigger(ID_EDIT_PASTE);
  CVantoriaDoc* pasted = ActiveDocument();
  ASSERT_NE(pasted, nullptr);
  EXPECT_EQ(pasted->GetImage()->rows[5][5], 0x800A141Eu);
  EXPECT_TRUE(pasted->IsModified());
  EXPECT_TRUE(pasted->GetPathName().isEmpty());
  QGuiApplication::clipboard()->clear();
  Trigger(ID_EDIT_PASTE);
  EXPECT_EQ(warnings.size(), 1);
}

}  // namespace
}  // namespace vantoria::test
