// Catches document faults: a kept caller picture, open/save state, saves that damage anything.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <csignal>
#include <random>
#include <tuple>

#include "core/memory_budget.h"
#include "document/image_codecs.h"
#include "document/vantoria_doc.h"
#include "operations/operation_dispatcher.h"
#include "support/dispatch_test_host.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

using test::FileBytes;
using test::ImagesEqual;
using test::UniformImage;

TEST(Document, ApplyCopiesThePictureAndARegionOfAnotherSizeOnlyRepaints) {
  CVantoriaDoc document;
  document.InitImage(UniformImage(3, 4, 0xFF102030));
  ImagePtr replacement = UniformImage(5, 6, 0x80FFFFFF);
  static_cast<void>(document.ApplyImage(*replacement, std::nullopt));
  replacement->rows[0][0] = 0;
  EXPECT_TRUE(ImagesEqual(*document.GetImage(), *UniformImage(5, 6, 0x80FFFFFF)));

  // A region that does not match the picture changes no pixel but still repaints.
  QSignalSpy repaints(&document, &CDocument::updateViews);
  const std::uint64_t version = document.GetImageVersion();
  ImagePtr shown = CloneImage(*document.GetImage());
  static_cast<void>(document.ApplyImage(*UniformImage(2, 2, 0xFF000001), Region{0, 0, 2, 1}));
  EXPECT_TRUE(ImagesEqual(*document.GetImage(), *shown));
  EXPECT_EQ(repaints.count(), 1);
  EXPECT_GT(document.GetImageVersion(), version);

  document.SetHistoryBudget(800);
  EXPECT_TRUE(document.StepFitsBudget(800));
  EXPECT_FALSE(document.StepFitsBudget(801));
}

class DocumentFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(directory.isValid());
    path = directory.filePath("picture.png");
    Open(48);  // about 9 KB whatever the format
  }
  // A fresh picture of side x side on disk, opened under its name.
  void Open(int side) {
    ASSERT_TRUE(EncodeImageFile(*test::RandomImage(random, side, side), path,
                                *GetEncoderClsid(path), nullptr));
    ASSERT_TRUE(host.document.OnOpenDocument(path)) << host.document.GetLastError().toStdString();
    host.document.SetPathName(path);
  }
  void Edit() { host.Post(ops::WM_OP_INVERT, 0, 0); }

  std::mt19937 random{23};
  QTemporaryDir directory;
  QString path;
  test::TestHost host;
};

TEST_F(DocumentFiles, OpenSaveAndSaveAs) {
  EXPECT_FALSE(host.document.IsModified());
  EXPECT_FALSE(host.document.Undo());
  EXPECT_EQ(host.document.GetTitle(), QStringLiteral("picture.png"));
  QFile::remove(path);  // unmodified under its own name: nothing is written
  EXPECT_TRUE(host.document.DoSave(path, true));
  EXPECT_FALSE(QFile::exists(path));
  Edit();
  Edit();
  host.document.SetSavePathPrompt([] { return QString(); });  // the dialog is cancelled
  EXPECT_FALSE(host.document.DoSave(QString(), true));
  EXPECT_TRUE(host.document.IsModified());
  const QString target = directory.filePath("copy.BMP");
  host.document.SetSavePathPrompt([&] { return target; });
  ASSERT_TRUE(host.document.DoSave(QString(), true));
  EXPECT_FALSE(host.document.IsModified());
  EXPECT_FALSE(host.document.Undo());
  EXPECT_FALSE(host.document.Redo());
  EXPECT_EQ(host.document.GetPathName(), target);
  EXPECT_EQ(host.document.GetTitle(), QStringLiteral("copy.BMP"));
  // Save As somewhere else always writes.
  EXPECT_TRUE(host.document.DoSave(directory.filePath("elsewhere.png"), true));
  EXPECT_TRUE(QFile::exists(directory.filePath("elsewhere.png")));
}

// Makes a file or folder unwritable while it lives: by its permissions for a user, by the
// immutable attribute for root, whom permissions do not stop.
class WriteLock {
 public:
  explicit WriteLock(const QString& path) : path_(path), permissions_(QFile::permissions(path)) {
    constexpr auto kWrite =
        QFile::WriteOwner | QFile::WriteUser | QFile::WriteGroup | QFile::WriteOther;
    locked_ = root_ ? SetImmutable(true) : QFile::setPermissions(path, permissions_ & ~kWrite);
  }
  ~WriteLock() {
    if (locked_) {
      static_cast<void>(root_ ? SetImmutable(false) : QFile::setPermissions(path_, permissions_));
    }
  }
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;
  bool locked() const { return locked_; }

 private:
  bool SetImmutable(bool on) {
    const int fd = open(QFile::encodeName(path_).constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) {
      return false;
    }
    int flags = 0;
    bool done = ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
    flags = on ? flags | FS_IMMUTABLE_FL : flags & ~FS_IMMUTABLE_FL;
    done = done && ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
    close(fd);
    return done;
  }

  const bool root_ = geteuid() == 0;
  QString path_;
  QFile::Permissions permissions_;
  bool locked_ = false;
};

// The opened picture has one edit not yet saved.
class FailedSaves : public DocumentFiles {
 protected:
  void SetUp() override {
    DocumentFiles::SetUp();
    Edited();
  }
  void Edited() {
    Edit();
    shown = CloneImage(*host.document.GetImage());
  }
  QStringList Listing() const {
    return QDir(directory.path())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  }
  // The save fails with a reason naming the file, and nothing on disk or in the document moves.
  void ExpectSaveFails(const QString& target) {
    SCOPED_TRACE(target.toStdString());
    const auto disk = [&] { return std::tuple(FileBytes(path), FileBytes(target), Listing()); };
    const auto before = disk();
    EXPECT_FALSE(host.document.DoSave(target, true));
    EXPECT_TRUE(host.document.GetLastError().contains(QFileInfo(target).fileName()))
        << host.document.GetLastError().toStdString();
    EXPECT_TRUE(disk() == before);
    EXPECT_TRUE(host.document.IsModified());
    EXPECT_EQ(host.document.GetHistory().count(), 1u);
    EXPECT_EQ(host.document.GetPathName(), path);
    EXPECT_TRUE(ImagesEqual(*host.document.GetImage(), *shown));
  }

  ImagePtr shown;
};

TEST_F(FailedSaves, PlacesAndTypesThatCannotBeWrittenThenTheSameDocumentSaves) {
  ASSERT_TRUE(test::WriteFileBytes(directory.filePath("notes.xyz"), "kept as it was"));
  ASSERT_TRUE(QDir().mkpath(directory.filePath("folder.png")));
  for (const QString& target : {directory.filePath("notes.xyz"), directory.filePath("picture.xyz"),
                                directory.filePath("missing/folder/picture.png"), QString(),
                                directory.filePath("folder.png")}) {
    ExpectSaveFails(target);
  }
  for (const QString& locked : {directory.path(), path}) {
    const WriteLock lock(locked);
    EXPECT_TRUE(lock.locked()) << "cannot make " << locked.toStdString() << " unwritable here";
    ExpectSaveFails(path);
    if (locked == directory.path()) {
      ExpectSaveFails(directory.filePath("new.png"));
    }
  }
  ASSERT_TRUE(host.document.DoSave(path, true)) << host.document.GetLastError().toStdString();
  EXPECT_FALSE(host.document.IsModified());
  ImagePtr back = DecodeImageFile(path, HalfOfPhysicalMemory(), nullptr);
  EXPECT_TRUE(back && ImagesEqual(*back, *shown));
  EXPECT_EQ(Listing(), QStringList({"folder.png", "notes.xyz", "picture.png"}));
}

// Saves in a child process whose files may not grow past `limitBytes`, as on a full disk (which
// permissions cannot arrange for root), and reports what the child saw: 0 refused with the
// document kept, 1 saved anyway, 2 the document changed, 3 no reason naming the file.
int SaveOntoFullDisk(CVantoriaDoc& document, const QString& target, qint64 limitBytes) {
  const pid_t child = fork();
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);  // a failed write rather than a killed process
    const rlimit limit{static_cast<rlim_t>(limitBytes), static_cast<rlim_t>(limitBytes)};
    setrlimit(RLIMIT_FSIZE, &limit);
    const QString pathBefore = document.GetPathName();
    const std::size_t stepsBefore = document.GetHistory().count();
    if (document.DoSave(target, true)) {
      _exit(1);
    }
    if (!document.IsModified() || document.GetPathName() != pathBefore ||
        document.GetHistory().count() != stepsBefore) {
      _exit(2);
    }
    _exit(document.GetLastError().contains(QFileInfo(target).fileName()) ? 0 : 3);
  }
  int status = 0;
  if (child == -1 || waitpid(child, &status, 0) != child || !WIFEXITED(status)) {
    return -1;
  }
  return WEXITSTATUS(status);
}

// Half of each format's full size: a big picture fails inside the encoder, a small one when the
// file's write buffer is flushed, TIFF after seeking back to write its header.
TEST_F(FailedSaves, FullDiskInEveryFormat) {
  for (const int side : {32, 256}) {
    Open(side);
    Edited();
    for (const ImageEncoder& encoder : ListImageEncoders()) {
      SCOPED_TRACE(encoder.description.toStdString() + " " + std::to_string(side));
      const QString target = directory.filePath("old." + QString::fromLatin1(encoder.format));
      ASSERT_TRUE(EncodeImageFile(*shown, target, encoder, nullptr));
      const QByteArray old = FileBytes(target);
      const QStringList listing = Listing();
      EXPECT_EQ(SaveOntoFullDisk(host.document, target, old.size() / 2), 0)
          << "1: saved anyway, 2: the document changed, 3: no reason naming the file";
      EXPECT_EQ(FileBytes(target), old);
      EXPECT_EQ(Listing(), listing);
    }
  }
}

}  // namespace
}  // namespace vantoria
