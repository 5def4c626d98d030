// Catches HEIC, AVIF and JPEG XL opened sideways, off, without alpha or profile, or saved wrongly.
#include <gtest/gtest.h>
#include <jxl/encode_cxx.h>
#include <libheif/heif_cxx.h>

#include <QColorSpace>
#include <QImageReader>
#include <QTemporaryDir>
#include <vector>

#include "core/memory_budget.h"
#include "document/image_codecs.h"
#include "support/image_test_util.h"

namespace vantoria {
namespace {

const QByteArray kIcc = QColorSpace(QColorSpace::DisplayP3).iccProfile();

// 16 x 8 with every colour and alpha level different; the files turn it a quarter clockwise.
QImage Pattern() {
  QImage pattern(16, 8, QImage::Format_RGBA8888);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) {
      pattern.setPixel(x, y, qRgba(x * 16, y * 32, 255 - x * 8, 255 - y * 30));
    }
  }
  return pattern;
}

// Lossless in RGB (identity matrix, full range), with the profile and a quarter-turn tag.
QByteArray HeifFile(heif_compression_format codec) {
  heif::Image image;
  image.create(16, 8, heif_colorspace_RGB, heif_chroma_interleaved_RGBA);
  image.add_plane(heif_channel_interleaved, 16, 8, 8);
  int stride = 0;
  std::uint8_t* plane = image.get_plane(heif_channel_interleaved, &stride);
  for (int y = 0; y < 8; ++y) {
    std::memcpy(plane + y * stride, Pattern().constScanLine(y), 64);
  }
  image.set_raw_color_profile(heif_color_profile_type_prof,
                              std::vector<std::uint8_t>(kIcc.begin(), kIcc.end()));
  heif::Encoder encoder(codec);
  encoder.set_lossless(true);
  encoder.set_string_parameter("chroma", "444");
  heif_color_profile_nclx nclx{};
  nclx.version = 1, nclx.matrix_coefficients = heif_matrix_coefficients_RGB_GBR;
  nclx.full_range_flag = 1;
  heif::Context::EncodingOptions options;
  options.output_nclx_profile = &nclx;
  options.save_two_colr_boxes_when_ICC_and_nclx_available = 1;
  options.image_orientation = heif_orientation_rotate_90_cw;
  heif::Context context;
  context.encode_image(image, encoder, options);
  const QTemporaryDir folder;
  context.write_to_file(folder.filePath("file").toStdString());
  return test::FileBytes(folder.filePath("file"));
}

QByteArray JxlFile() {
  const JxlEncoderPtr encoder = JxlEncoderMake(nullptr);
  JxlBasicInfo info;
  JxlEncoderInitBasicInfo(&info);
  info.xsize = 16, info.ysize = 8, info.bits_per_sample = 8, info.num_extra_channels = 1;
  info.alpha_bits = 8, info.uses_original_profile = JXL_TRUE;
  info.orientation = JXL_ORIENT_ROTATE_90_CW;
  JxlEncoderSetBasicInfo(encoder.get(), &info);
  JxlEncoderSetICCProfile(encoder.get(), reinterpret_cast<const uint8_t*>(kIcc.data()),
                          kIcc.size());
  JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(encoder.get(), nullptr);
  JxlEncoderSetFrameLossless(settings, JXL_TRUE);
  const JxlPixelFormat format = {4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
  JxlEncoderAddImageFrame(settings, &format, Pattern().constBits(), 16 * 8 * 4);
  JxlEncoderCloseInput(encoder.get());
  std::vector<uint8_t> file(1 << 16);
  uint8_t* next = file.data();
  size_t room = file.size();
  EXPECT_EQ(JxlEncoderProcessOutput(encoder.get(), &next, &room), JXL_ENC_SUCCESS);
  return QByteArray(reinterpret_cast<const char*>(file.data()), file.size() - room);
}

// The largest difference of any channel from the upright pattern; 256 for another size.
int Difference(const PixelImage& image) {
  const QImage want =
      Pattern().transformed(QTransform().rotate(90)).convertToFormat(QImage::Format_ARGB32);
  if (image.width != want.width() || image.height != want.height()) {
    return 256;
  }
  const auto* got = reinterpret_cast<const uchar*>(image.pixels());
  int most = 0;
  for (qsizetype i = 0; i < want.sizeInBytes(); ++i) {
    most = std::max(most, std::abs(got[i] - want.constBits()[i]));
  }
  return most;
}

QString Write(const QTemporaryDir& folder, const QString& name, const QByteArray& bytes) {
  EXPECT_TRUE(test::WriteFileBytes(folder.filePath(name), bytes));
  return folder.filePath(name);
}

// libheif's lossless RGB path still rounds colour by one level; alpha comes back exact. (Huge
// headers of these formats are decoder seeds, which the image_codecs suite opens.)
TEST(CodecPlugins, OpenUprightWithProfile) {
  const QTemporaryDir folder;
  const struct {
    const char* name;
    QByteArray file;
    int tolerance;
  } rows[] = {{"a.heic", HeifFile(heif_compression_HEVC), 1},
              {"a.avif", HeifFile(heif_compression_AV1), 1},
              {"a.jxl", JxlFile(), 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    QString error;
    const QString path = Write(folder, row.name, row.file);
    CameraData kept;
    const ImagePtr image = DecodeImageFile(path, HalfOfPhysicalMemory(), &error, &kept);
    ASSERT_TRUE(image) << error.toStdString();
    EXPECT_LE(Difference(*image), row.tolerance);
    EXPECT_EQ(QColorSpace::fromIccProfile(kept.icc), QColorSpace(QColorSpace::DisplayP3));
  }
}

// AVIF is written lossy at its default quality, so it comes back near; JPEG XL exactly.
TEST(CodecPlugins, SaveByExtensionAndReadBack) {
  const QTemporaryDir folder;
  QString error;
  const ImagePtr image =
      DecodeImageFile(Write(folder, "in.jxl", JxlFile()), HalfOfPhysicalMemory(), &error);
  ASSERT_TRUE(image);
  const struct {
    const char* name;
    const char* format;
    int tolerance;
  } rows[] = {{"saved.avif", "avif", 8}, {"saved.jxl", "jxl", 0}};
  for (const auto& row : rows) {
    const QString path = folder.filePath(row.name);
    ASSERT_EQ(GetEncoderClsid(path)->format, row.format);
    ASSERT_TRUE(EncodeImageFile(*image, path, *GetEncoderClsid(path), &error)) << row.name;
    EXPECT_EQ(QImageReader::imageFormat(path), row.format);
    const ImagePtr back = DecodeImageFile(path, HalfOfPhysicalMemory(), &error);
    ASSERT_TRUE(back) << error.toStdString();
    EXPECT_LE(Difference(*back), row.tolerance) << row.name;
  }
  EXPECT_FALSE(GetEncoderClsid("photo.heic"));  // HEIC opens but is not written
}

}  // namespace
}  // namespace vantoria
