// Pictures in and out: what the open and save dialogs offer, the type picked is the type saved,
// transparency kept or asked about, read-only formats saved as PNG, the recent files.
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QImageWriter>
#include <QMenu>
#include <QMenuBar>
#include <QMimeDatabase>
#include <QSet>
#include <QSettings>
#include <algorithm>

#include "document/file_types.h"
#include "document/image_codecs.h"
#include "res/command_ids.h"
#include "shell_fixture.h"

namespace vantoria::test {
namespace {

using namespace cmd;

// A 1 x 1 GIF: Qt reads GIF but cannot write it.
const QByteArray kGif = QByteArray::fromHex(
    "47494638396101000100800000ff000000000021f90400000000002c00000000010001000002024401003b");

QSet<QString> Globs(const QList<QByteArray>& mimeTypes) {
  QSet<QString> globs;
  for (const QByteArray& mime : mimeTypes) {
    for (const QString& glob : QMimeDatabase().mimeTypeForName(mime).globPatterns()) {
      globs.insert(glob.toLower());
    }
  }
  return globs;
}

TEST(FileTypes, OpenFilterCoversEveryReadableFormatThenEachThenAllFiles) {
  const QStringList open =
      ToNameFilters(BuildOpenFilter(ListReadableFormats(OfferedReaderFormats())));
  ASSERT_GE(open.size(), 3);
  for (const QString& glob : Globs(QImageReader::supportedMimeTypes())) {
    EXPECT_TRUE(open.front().contains(' ' + glob + ' ') || open.front().endsWith(' ' + glob + ')'))
        << glob.toStdString();
  }
  EXPECT_TRUE(open.front().contains("*.gif")) << "readable though not writable";
  EXPECT_TRUE(
      std::any_of(open.begin(), open.end(), [](const QString& f) { return f.startsWith("GIF"); }));
  EXPECT_EQ(open.back(), QString::fromUtf8("所有文件 (*)"));
  // The offered readers decide: one format gives exactly one entry of its own.
  EXPECT_EQ(BuildOpenFilter(ListReadableFormats({"png"})),
            QString::fromUtf8("所有支持的图像文件|*.PNG|PNG文件(*.PNG)|*.PNG|所有文件|*||"));
  EXPECT_EQ(BuildOpenFilter({}), QString::fromUtf8("所有文件|*||"));
}

TEST(FileTypes, SaveFilterCoversEveryWritableFormat) {
  const QString save = BuildFileFilters()->save.toLower();
  for (const QString& glob : Globs(QImageWriter::supportedMimeTypes())) {
    EXPECT_TRUE(save.contains(glob)) << glob.toStdString();
  }
  EXPECT_FALSE(save.contains("*.gif"));
}

TEST(FileTypes, DesktopEntryClaimsEveryReadableType) {
  QFile desktop(VANTORIA_SOURCE_DIR "/src/res/vantoria.desktop");
  ASSERT_TRUE(desktop.open(QIODevice::ReadOnly));
  QStringList claimed;
  for (const QString& line : QString::fromUtf8(desktop.readAll()).split('\n')) {
    if (line.startsWith("MimeType=")) {
      claimed = line.mid(9).split(';', Qt::SkipEmptyParts);
    }
  }
  QStringList readable;
  for (const ReadableFormat& format : ListReadableFormats(OfferedReaderFormats())) {
    readable.append(format.mimeType);
  }
  claimed.sort();
  readable.sort();
  EXPECT_EQ(claimed.join(' ').toStdString(), readable.join(' ').toStdString());
}

TEST(FileTypes, NamesAndTypes) {
  struct Row {
    const char* filter;
    const char* suffix;
  };
  for (const Row& row : {Row{"PNG文件(*.PNG) (*.PNG *.png)", "png"},
                         Row{"JPEG文件(*.JPG;*.JPEG) (*.JPG *.JPEG *.jpg *.jpeg)", "jpg"},
                         Row{"所有文件 (*)", ""}, Row{"", ""}}) {
    EXPECT_EQ(SuffixOfNameFilter(QString::fromUtf8(row.filter)), row.suffix) << row.filter;
  }
  struct NameRow {
    const char* typed;
    const char* expected;
  };
  for (const NameRow& row :
       {NameRow{"/a.b/shot", "/a.b/shot.png"}, NameRow{"/x/shot.bmp", "/x/shot.bmp"},
        NameRow{"/x/shot.", "/x/shot."}, NameRow{"", ""}}) {
    EXPECT_EQ(WithDefaultSuffix(row.typed, "png"), row.expected) << row.typed;
  }
  EXPECT_TRUE(FormatKeepsAlpha("png"));
  EXPECT_FALSE(FormatKeepsAlpha("jpeg"));
}

class SaveTypesTest : public ShellTest {
 protected:
  // Opens a 4 x 4 picture written under `name` (one corner clear when asked) and edits it.
  void OpenEdited(const QString& name, bool transparent) {
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(qRgb(200, 40, 10));
    image.setPixel(0, 0, transparent ? qRgba(1, 2, 3, 0) : qRgb(1, 2, 3));
    ASSERT_TRUE(image.save(TempPath(name), "png"));
    ASSERT_NE(Documents().OpenDocumentFile(TempPath(name)), nullptr);
    Trigger(ID_ADJUST_INVERT);
  }
  QString Filter(const char* type) const { return NameFilterFor(saveFilters, type); }
};

TEST_F(SaveTypesTest, TheTypePickedIsTheTypeSaved) {
  struct Row {
    const char* typed;
    const char* picked;
    bool transparent;
    bool yes;
    const char* written;  // the file expected, or none
    const char* format;
    bool asked;
    bool alpha;  // the file has an alpha channel
  };
  const Row rows[] = {
      {"a", "PNG", true, true, "a.png", "png", false, true},
      {"b", "PNG", false, true, "b.png", "png", false, false},  // opaque: no alpha written
      {"c", "TIFF", false, true, "c.tif", "tiff", false, false},
      {"d.bmp", "PNG", false, true, "d.bmp", "bmp", false, false},  // a typed extension wins
      {"e", "JPEG", true, false, nullptr, nullptr, true, false},    // "No": nothing written
      {"f", "JPEG", true, true, "f.jpg", "jpeg", true, false},
      {"g", "BMP", true, true, "g.bmp", "bmp", true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.typed);
    savePath.clear();
    saveFilter.clear();
    OpenEdited(QStringLiteral("source-%1.png").arg(row.typed), row.transparent);
    questions.clear();
    yesAnswer = row.yes;
    Trigger(ID_FILE_SAVE_AS);
    // The dialog saw the document's own folder, name and type.
    EXPECT_EQ(saveRequest.initialPath, ActiveDocument()->GetPathName());
    EXPECT_EQ(saveRequest.selectedFilter, Filter("PNG"));
    savePath = TempPath(row.typed);
    saveFilter = Filter(row.picked);
    Trigger(ID_FILE_SAVE_AS);
    EXPECT_EQ(questions.size(), row.asked ? 1 : 0);
    EXPECT_TRUE(warnings.isEmpty());
    if (!row.written) {
      EXPECT_TRUE(ActiveDocument()->IsModified());
      EXPECT_EQ(QDir(TempPath("")).entryList({QStringLiteral("%1*").arg(row.typed)}),
                QStringList());
      continue;
    }
    EXPECT_EQ(ActiveDocument()->GetPathName(), TempPath(row.written));
    QImageReader reader(TempPath(row.written));
    reader.setDecideFormatFromContent(true);
    EXPECT_EQ(reader.format(), row.format);
    const QImage back = reader.read();
    EXPECT_EQ(back.hasAlphaChannel(), row.alpha);
    if (QByteArray(row.format) != "jpeg") {
      EXPECT_EQ(back.pixel(3, 3), qRgb(55, 215, 245)) << "the pixels stay";
    }
  }
}

TEST_F(SaveTypesTest, TransparencyIsAskedAboutOncePerDocument) {
  OpenEdited("clear.png", true);
  savePath = TempPath("clear.jpg");
  Trigger(ID_FILE_SAVE_AS);
  Trigger(ID_ADJUST_INVERT);
  Trigger(ID_FILE_SAVE);
  EXPECT_EQ(questions.size(), 1);
  EXPECT_EQ(savePrompts, 1) << "saved in place the second time";
  EXPECT_FALSE(ActiveDocument()->IsModified());
}

TEST_F(SaveTypesTest, ReadOnlyFormatsAreSavedAsPngAtSaveAndAtExit) {
  QFile gif(TempPath("anim.gif"));
  ASSERT_TRUE(gif.open(QIODevice::WriteOnly) && gif.write(kGif) == kGif.size());
  gif.close();
  ASSERT_NE(Documents().OpenDocumentFile(gif.fileName()), nullptr);
  Trigger(ID_ADJUST_INVERT);
  Trigger(ID_FILE_SAVE);  // cancelled
  EXPECT_EQ(savePrompts, 1);
  EXPECT_EQ(saveRequest.initialPath, TempPath("anim.png"));
  EXPECT_EQ(saveRequest.selectedFilter, Filter("PNG"));
  EXPECT_TRUE(warnings.isEmpty());

  answers = {prompts::SaveChangesAnswer::Save};
  savePath = TempPath("anim");
  Trigger(ID_APP_EXIT);
  Settle();
  EXPECT_EQ(savePrompts, 2);
  EXPECT_EQ(QImageReader(TempPath("anim.png")).format(), "png");
  EXPECT_TRUE(Documents().Documents().isEmpty());
}

TEST_F(SaveTypesTest, NewDocumentsStartInTheLastFolderAsPng) {
  OpenEdited("here.png", false);
  Trigger(ID_FILE_NEW);
  Trigger(ID_FILE_SAVE_AS);
  EXPECT_EQ(saveRequest.initialPath, TempPath(ActiveDocument()->GetTitle() + ".png"));
  EXPECT_EQ(saveRequest.selectedFilter, Filter("PNG"));
}

TEST_F(ShellTest, RecentFilesAreListedBeforeExitAndVanishedOnesDropped) {
  Documents().OpenDocumentFile(WriteImage("a&b.png", 4, 4));
  Documents().OpenDocumentFile(WriteImage("c.png", 4, 4));
  QMenu* file = frame->menuBar()->actions().front()->menu();
  emit file->aboutToShow();
  emit file->aboutToShow();  // a second opening replaces the entries
  QStringList texts;
  for (const QAction* action : file->actions()) {
    texts.append(action->isSeparator() ? "-" : action->text());
  }
  const int exit = texts.indexOf(Action(ID_APP_EXIT)->text());
  ASSERT_GE(exit, 4);
  EXPECT_EQ(texts.mid(exit - 4, 4), (QStringList{"-", "&1 c.png", "&2 a&&b.png", "-"}));

  ASSERT_TRUE(QFile::remove(TempPath("c.png")));
  file->actions().at(exit - 3)->trigger();
  ASSERT_EQ(warnings.size(), 1);
  EXPECT_TRUE(warnings.front().contains("c.png"));
  EXPECT_EQ(app->GetRecentFileList().Entries(), QStringList{TempPath("a&b.png")});
  EXPECT_EQ(QSettings().value("Recent File List/File2"), QVariant());
}

}  // namespace
}  // namespace vantoria::test
