// Catches ignored save errors: unwritable places, full disks, unknown types damaging files.
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
#include <QTemporaryDir>
#include <csignal>
#include <random>

#include "core/memory_budget.h"
#include "document/image_codecs.h"
#include "operations/operation_dispatcher.h"
#include "support/dispatch_test_host.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

using test::FileBytes;
using test::ImagesEqual;

// Makes a file or folder unwritable for the duration of a test: by its permissions for a
// user, by the immutable attribute for root, whom permissions do not stop.
class WriteLock {
 public:
  explicit WriteLock(const QString& path) : path_(path) {
    if (geteuid() != 0) {
      permissions_ = QFile::permissions(path);
      locked_ =
          QFile::setPermissions(path, permissions_ & ~(QFile::WriteOwner | QFile::WriteUser |
                                                       QFile::WriteGroup | QFile::WriteOther));
    } else {
      locked_ = SetImmutable(true);
    }
  }
  ~WriteLock() {
    if (locked_ && geteuid() != 0) {
      QFile::setPermissions(path_, permissions_);
    } else if (locked_) {
      SetImmutable(false);
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

  QString path_;
  QFile::Permissions permissions_;
  bool locked_ = false;
};

class FailedSaves : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(directory.isValid());
    path = directory.filePath("picture.png");
    Open(48);  // about 9 KB whatever the format
  }
  // A fresh picture of side x side on disk, opened, with one edit not yet saved.
  void Open(int side) {
    const ImagePtr noise = test::RandomImage(random, side, side);
    ASSERT_TRUE(EncodeImageFile(*noise, path, *GetEncoderClsid(path), nullptr));
    ASSERT_TRUE(host.document.OnOpenDocument(path));
    host.document.SetPathName(path);
    dispatcher.Dispatch({ops::WM_OP_INVERT, 0, 0});
    shown = CloneImage(*host.document.GetImage());
  }
  QStringList Listing() const {
    return QDir(directory.path())
        .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
  }
  // The save fails with a reason naming the file, and nothing on disk or in the document moves.
  void ExpectSaveFails(const QString& target) {
    SCOPED_TRACE(target.toStdString());
    const QByteArray own = FileBytes(path);
    const QByteArray old = FileBytes(target);
    const QStringList listing = Listing();
    EXPECT_FALSE(host.document.DoSave(target, true));
    EXPECT_TRUE(host.document.GetLastError().contains(QFileInfo(target).fileName()))
        << host.document.GetLastError().toStdString();
    EXPECT_EQ(FileBytes(path), own);
    EXPECT_EQ(FileBytes(target), old);
    EXPECT_EQ(Listing(), listing);
    EXPECT_TRUE(host.document.IsModified());
    EXPECT_EQ(host.document.GetHistory().count(), 1u);
    EXPECT_EQ(host.document.GetPathName(), path);
    EXPECT_TRUE(ImagesEqual(*host.document.GetImage(), *shown));
  }

  std::mt19937 random{23};
  QTemporaryDir directory;
  QString path;
  ImagePtr shown;
  test::TestHost host;
  OperationDispatcher dispatcher{host};
};

TEST_F(FailedSaves, PlacesAndTypesThatCannotBeWrittenThenTheSameDocumentSaves) {
  QFile other(directory.filePath("notes.xyz"));
  ASSERT_TRUE(other.open(QIODevice::WriteOnly));
  other.write("kept as it was");
  other.close();
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
  ASSERT_TRUE(back);
  EXPECT_TRUE(ImagesEqual(*back, *shown));
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
