#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <random>

#include "document/image_codecs.h"
#include "operations/operation_dispatcher.h"
#include "support/dispatch_test_host.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

using test::ImagesEqual;

QByteArray FileBytes(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class DocumentFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    path = directory.filePath("picture.png");
    std::mt19937 random(9);
    ImagePtr picture = test::RandomImage(random, 6, 5);
    QString error;
    ASSERT_TRUE(EncodeImageFile(*picture, path, *GetEncoderClsid(path), &error));
    ASSERT_TRUE(host.document.OnOpenDocument(path)) << host.document.GetLastError().toStdString();
    host.document.SetPathName(path);
    opened = CloneImage(*host.document.GetImage());
  }
  void Edit() { dispatcher.Dispatch({ops::WM_OP_INVERT, 0, 0}); }
  // The document keeps its image, history, path and modified state after a failed save.
  void ExpectUnchangedAfterFailedSave(const QString& target) {
    Edit();
    const QByteArray fileBefore = FileBytes(path);
    ImagePtr shown = CloneImage(*host.document.GetImage());
    EXPECT_FALSE(host.document.DoSave(target, true)) << target.toStdString();
    EXPECT_FALSE(host.document.GetLastError().isEmpty());
    EXPECT_TRUE(host.document.IsModified());
    EXPECT_EQ(host.document.GetPathName(), path);
    EXPECT_EQ(host.document.GetHistory().count(), 1u);
    EXPECT_TRUE(ImagesEqual(*host.document.GetImage(), *shown));
    EXPECT_EQ(FileBytes(path), fileBefore);
    EXPECT_TRUE(host.document.Undo());
  }

  QTemporaryDir directory;
  QString path;
  ImagePtr opened;
  test::TestHost host;
  OperationDispatcher dispatcher{host};
};

TEST_F(DocumentFiles, OpeningGivesAnUnmodifiedDocumentWithoutHistory) {
  EXPECT_FALSE(host.document.IsModified());
  EXPECT_FALSE(host.document.Undo());
  EXPECT_EQ(host.document.GetTitle(), QStringLiteral("picture.png"));
}

TEST_F(DocumentFiles, TwoByTwoPngKeepsAllFourArgbValues) {
  const Pixel pixels[] = {0x00FF0000, 0x01020304, 0x80FFFFFF, 0xFF123456};
  host.document.InitImage(
      test::ImageFromPixels(2, 2, {pixels[0], pixels[1], pixels[2], pixels[3]}));
  const QString target = directory.filePath("two.png");
  ASSERT_TRUE(host.document.DoSave(target, true));
  CVantoriaDoc reopened;
  ASSERT_TRUE(reopened.OnOpenDocument(target));
  EXPECT_TRUE(ImagesEqual(*reopened.GetImage(), *host.document.GetImage()));
}

TEST_F(DocumentFiles, SavingEmptiesTheHistoryAndTakesTheNewPath) {
  Edit();
  Edit();
  const QString target = directory.filePath("copy.BMP");
  ASSERT_TRUE(host.document.DoSave(target, true));
  EXPECT_FALSE(host.document.IsModified());
  EXPECT_FALSE(host.document.Undo());
  EXPECT_FALSE(host.document.Redo());
  EXPECT_EQ(host.document.GetPathName(), target);
  EXPECT_EQ(host.document.GetTitle(), QStringLiteral("copy.BMP"));
}

TEST_F(DocumentFiles, SavingUnmodifiedUnderItsOwnPathWritesNothing) {
  QFile::remove(path);
  EXPECT_TRUE(host.document.DoSave(path, true));
  EXPECT_FALSE(QFile::exists(path));
  // Save As somewhere else always writes.
  EXPECT_TRUE(host.document.DoSave(directory.filePath("elsewhere.png"), true));
  EXPECT_TRUE(QFile::exists(directory.filePath("elsewhere.png")));
}

TEST_F(DocumentFiles, UnknownExtensionWritesNothing) {
  ExpectUnchangedAfterFailedSave(directory.filePath("picture.xyz"));
  EXPECT_FALSE(QFile::exists(directory.filePath("picture.xyz")));
}

TEST_F(DocumentFiles, UnwritablePlaceKeepsTheOldFileAndTheState) {
  ExpectUnchangedAfterFailedSave(directory.filePath("missing/folder/picture.png"));
  ExpectUnchangedAfterFailedSave(QString());
}

TEST_F(DocumentFiles, AFailedSaveOverTheDocumentsOwnFileLeavesItIntact) {
  // A directory where the file should be: the write cannot be committed.
  const QString blocked = directory.filePath("blocked.png");
  ASSERT_TRUE(QDir().mkpath(blocked));
  ExpectUnchangedAfterFailedSave(blocked);
  EXPECT_TRUE(QFileInfo(blocked).isDir());
}

TEST_F(DocumentFiles, CancelledSaveDialogSavesNothing) {
  Edit();
  host.document.SetSavePathPrompt([] { return QString(); });
  EXPECT_FALSE(host.document.DoSave(QString(), true));
  EXPECT_TRUE(host.document.IsModified());
  const QString chosen = directory.filePath("chosen.jpg");
  host.document.SetSavePathPrompt([&] { return chosen; });
  EXPECT_TRUE(host.document.DoSave(QString(), true));
  EXPECT_EQ(host.document.GetPathName(), chosen);
}

TEST_F(DocumentFiles, AFileThatCannotBeDecodedIsRefusedWithAReason) {
  const QString broken = directory.filePath("broken.png");
  QFile file(broken);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(FileBytes(path).left(40));
  file.close();
  CVantoriaDoc document;
  EXPECT_FALSE(document.OnOpenDocument(broken));
  EXPECT_FALSE(document.HasImage());
  EXPECT_TRUE(document.GetLastError().contains("broken.png"));
}

TEST(DocumentWithoutImage, RefusesToSave) {
  QTemporaryDir directory;
  CVantoriaDoc document;
  EXPECT_FALSE(document.DoSave(directory.filePath("empty.png"), true));
  EXPECT_FALSE(QFile::exists(directory.filePath("empty.png")));
}

}  // namespace
}  // namespace vantoria
