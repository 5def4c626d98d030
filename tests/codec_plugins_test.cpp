// Catches HEIC, AVIF and JPEG XL files that open sideways, off by more than their codec allows,
// without alpha or colour profile, that save in the wrong format, or whose huge header gets by.
#include <gtest/gtest.h>
#include <jxl/encode_cxx.h>
#include <libheif/heif.h>

#include <QColorSpace>
#include <QElapsedTimer>
#include <QFile>
#include <QImageReader>
#include <QTemporaryDir>
#include <QtEndian>
#include <cstdlib>
#include <vector>

#include "core/memory_budget.h"
#include "document/image_codecs.h"

namespace vantoria {
namespace {

const QByteArray kIcc = QColorSpace(QColorSpace::DisplayP3).iccProfile();

// 16 x 8 with every colour and alpha level different, turned a quarter by the files' tags.
QImage Pattern() {
  QImage pattern(16, 8, QImage::Format_RGBA8888);
  for (int y = 0; y < 8; ++y) {
    for (int x = 0; x < 16; ++x) {
      pattern.setPixel(x, y, qRgba(x * 16, y * 32, 255 - x * 8, 255 - y * 30));
    }
  }
  return pattern;
}

QImage Upright() {
  return Pattern().transformed(QTransform().rotate(90)).convertToFormat(QImage::Format_ARGB32);
}

// Losslessly in RGB where the encoder allows, with the profile and a quarter-turn tag.
QByteArray HeifFile(heif_compression_format codec) {
  const QImage pattern = Pattern();
  heif_context* context = heif_context_alloc();
  heif_encoder* encoder = nullptr;
  heif_image* image = nullptr;
  int stride = 0;
  heif_context_get_encoder_for_format(context, codec, &encoder);
  heif_encoder_set_lossless(encoder, 1);
  heif_encoder_set_parameter_string(encoder, "chroma", "444");
  heif_image_create(16, 8, heif_colorspace_RGB, heif_chroma_interleaved_RGBA, &image);
  heif_image_add_plane(image, heif_channel_interleaved, 16, 8, 8);
  std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
  for (int y = 0; y < 8; ++y) {
    std::memcpy(plane + y * stride, pattern.constScanLine(y), 64);
  }
  heif_image_set_raw_color_profile(image, "prof", kIcc.constData(), kIcc.size());
  heif_encoding_options* options = heif_encoding_options_alloc();
  heif_color_profile_nclx* nclx = heif_nclx_color_profile_alloc();
  nclx->matrix_coefficients = heif_matrix_coefficients_RGB_GBR;
  nclx->full_range_flag = 1;
  options->output_nclx_profile = nclx;
  options->save_two_colr_boxes_when_ICC_and_nclx_available = 1;
  options->image_orientation = heif_orientation_rotate_90_cw;
  EXPECT_EQ(heif_context_encode_image(context, image, encoder, options, nullptr).code, 0);
  QByteArray file;
  heif_writer writer = {1, [](heif_context*, const void* data, size_t size, void* to) {
                          static_cast<QByteArray*>(to)->append(static_cast<const char*>(data),
                                                               static_cast<qsizetype>(size));
                          return heif_error{heif_error_Ok, heif_suberror_Unspecified, ""};
                        }};
  heif_context_write(context, &writer, &file);
  heif_nclx_color_profile_free(nclx);
  heif_encoding_options_free(options);
  heif_image_release(image);
  heif_encoder_release(encoder);
  heif_context_free(context);
  return file;
}

QByteArray JxlFile() {
  const QImage pattern = Pattern();
  const JxlEncoderPtr encoder = JxlEncoderMake(nullptr);
  JxlBasicInfo info;
  JxlEncoderInitBasicInfo(&info);
  info.xsize = 16, info.ysize = 8, info.bits_per_sample = 8, info.num_extra_channels = 1;
  info.alpha_bits = 8, info.uses_original_profile = JXL_TRUE;
  info.orientation = JXL_ORIENT_ROTATE_90_CW;
  JxlEncoderSetBasicInfo(encoder.get(), &info);
  JxlEncoderSetICCProfile(encoder.get(), reinterpret_cast<const uint8_t*>(kIcc.constData()),
                          kIcc.size());
  JxlEncoderFrameSettings* settings = JxlEncoderFrameSettingsCreate(encoder.get(), nullptr);
  JxlEncoderSetFrameLossless(settings, JXL_TRUE);
  const JxlPixelFormat format = {4, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
  JxlEncoderAddImageFrame(settings, &format, pattern.constBits(), pattern.sizeInBytes());
  JxlEncoderCloseInput(encoder.get());
  std::vector<uint8_t> file(1 << 16);
  uint8_t* next = file.data();
  size_t room = file.size();
  EXPECT_EQ(JxlEncoderProcessOutput(encoder.get(), &next, &room), JXL_ENC_SUCCESS);
  return QByteArray(reinterpret_cast<const char*>(file.data()), file.size() - room);
}

// A bare codestream declaring 60000 x 60000 with default metadata (fields low bit first: not
// divisible by 8, 30-bit height, free ratio, 30-bit width, then "all default").
QByteArray HugeJxl() {
  const auto size = qToLittleEndian<std::uint64_t>(
      0b110 | std::uint64_t{59999} << 3 | std::uint64_t{0b11} << 36 | std::uint64_t{59999} << 38);
  return QByteArray("\xFF\x0A", 2) + QByteArray(reinterpret_cast<const char*>(&size), 8) +
         QByteArray(1, '\x10') + QByteArray(16, '\0');
}

// The same file with every stored picture size (colour and alpha) raised to 30000 x 30000.
QByteArray HugeHeif(QByteArray file) {
  for (qsizetype at = file.indexOf("ispe"); at >= 0; at = file.indexOf("ispe", at + 1)) {
    qToBigEndian<quint32>(30000, file.data() + at + 8);
    qToBigEndian<quint32>(30000, file.data() + at + 12);
  }
  return file;
}

void ExpectNear(const PixelImage& image, const QImage& expected, int tolerance) {
  ASSERT_EQ(image.width, expected.width());
  ASSERT_EQ(image.height, expected.height());
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x) {
      const Pixel got = image.pixels()[y * image.width + x];
      const QRgb want = expected.pixel(x, y);
      for (int shift : {0, 8, 16, 24}) {
        EXPECT_LE(std::abs(int(got >> shift & 255) - int(want >> shift & 255)), tolerance)
            << x << "," << y << " bit " << shift;
      }
    }
  }
}

class CodecPlugins : public ::testing::Test {
 protected:
  QString Write(const QString& name, const QByteArray& bytes) {
    QFile file(folder.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size());
    return file.fileName();
  }
  ImagePtr Open(const QString& path) {
    QString error;
    ImagePtr image = DecodeImageFile(path, HalfOfPhysicalMemory(), &error);
    EXPECT_TRUE(image) << error.toStdString();
    return image;
  }
  QTemporaryDir folder;
};

// libheif's lossless RGB path still rounds colour by one level at most; alpha is exact.
TEST_F(CodecPlugins, OpenUprightWithAlphaAndProfile) {
  const struct {
    const char* name;
    QByteArray file;
    int tolerance;
  } rows[] = {{"fixture.heic", HeifFile(heif_compression_HEVC), 1},
              {"fixture.avif", HeifFile(heif_compression_AV1), 1},
              {"fixture.jxl", JxlFile(), 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const QString path = Write(row.name, row.file);
    const ImagePtr image = Open(path);
    ASSERT_TRUE(image);
    ExpectNear(*image, Upright(), row.tolerance);
    EXPECT_EQ(QImageReader(path).read().colorSpace(), QColorSpace(QColorSpace::DisplayP3));
  }
}

// AVIF is written lossy at its default quality, so it comes back near; JPEG XL exactly.
TEST_F(CodecPlugins, SaveByExtensionAndReadBack) {
  const ImagePtr image = Open(Write("in.jxl", JxlFile()));
  ASSERT_TRUE(image);
  const struct {
    const char* name;
    const char* format;
    int tolerance;
  } rows[] = {{"saved.avif", "avif", 8}, {"saved.jxl", "jxl", 0}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    const QString path = folder.filePath(row.name);
    QString error;
    ASSERT_EQ(GetEncoderClsid(path)->format, row.format);
    ASSERT_TRUE(EncodeImageFile(*image, path, *GetEncoderClsid(path), &error))
        << error.toStdString();
    EXPECT_EQ(QImageReader::imageFormat(path), row.format);
    const ImagePtr back = Open(path);
    ASSERT_TRUE(back);
    ExpectNear(*back, Upright(), row.tolerance);
  }
  EXPECT_FALSE(GetEncoderClsid("photo.heic"));  // HEIC opens but is not written
}

TEST_F(CodecPlugins, HugeDeclaredSizeRefusedQuickly) {
  const struct {
    const char* name;
    QByteArray file;
  } rows[] = {{"huge.heic", HugeHeif(HeifFile(heif_compression_HEVC))},
              {"huge.avif", HugeHeif(HeifFile(heif_compression_AV1))},
              {"huge.jxl", HugeJxl()}};
  for (const auto& row : rows) {
    const QString path = Write(row.name, row.file);
    QString error;
    QElapsedTimer timer;
    timer.start();
    EXPECT_FALSE(DecodeImageFile(path, HalfOfPhysicalMemory(), &error));
    EXPECT_LT(timer.elapsed(), 1000) << row.name;
    EXPECT_EQ(error, QString("图像太大，内存不足：“%1”").arg(path));
  }
}

}  // namespace
}  // namespace vantoria
