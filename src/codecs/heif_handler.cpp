#include "codecs/heif_handler.h"

#include <libheif/heif.h>

#include <QIODevice>
#include <QThread>
#include <QtEndian>
#include <algorithm>
#include <cstdint>
#include <cstring>

#include "codecs/codec_support.h"

namespace vantoria {
namespace {

// The widest picture the editor takes; bigger ones are refused by libheif before any decode.
// Memory is bounded by the program's own check on the size reported before reading.
constexpr int kMaxSide = 65535;
// AVIF quality when the writer is not given one: visually close, a fraction of the lossless size.
constexpr int kDefaultQuality = 90;
constexpr int kLossless = 100;
// The AV1 encoder's speed (0 slowest .. 9): at libheif's default a 12-megapixel photo takes about
// a minute and well over a gigabyte; this one takes seconds for a slightly larger file.
constexpr int kSpeed = 8;
// The longest file-type box read to tell AVIF from HEIC.
constexpr qint64 kBrandBytes = 256;

struct ImageRelease {
  void operator()(heif_image* image) const { heif_image_release(image); }
};
struct EncoderRelease {
  void operator()(heif_encoder* encoder) const { heif_encoder_release(encoder); }
};
struct OptionsFree {
  void operator()(heif_encoding_options* options) const { heif_encoding_options_free(options); }
};
struct NclxFree {
  void operator()(heif_color_profile_nclx* nclx) const { heif_nclx_color_profile_free(nclx); }
};
using Image = std::unique_ptr<heif_image, ImageRelease>;

int Threads() {
  return std::max(1, QThread::idealThreadCount());
}

bool Ok(const heif_error& error) {
  return error.code == heif_error_Ok;
}

// A brand of the file-type box, by its four letters.
bool HasBrand(const QByteArray& head, const char* brand) {
  if (head.size() < 12 || head.mid(4, 4) != "ftyp") {
    return false;
  }
  const auto boxSize = static_cast<qsizetype>(qFromBigEndian<quint32>(head.constData()));
  const qsizetype end = std::min(head.size(), boxSize);
  for (qsizetype at = 8; at + 4 <= end; at += at == 8 ? 8 : 4) {  // skips the minor version
    if (std::memcmp(head.constData() + at, brand, 4) == 0) {
      return true;
    }
  }
  return false;
}

heif_error WriteToDevice(heif_context*, const void* data, std::size_t size, void* device) {
  const auto length = static_cast<qint64>(size);
  const bool written =
      static_cast<QIODevice*>(device)->write(static_cast<const char*>(data), length) == length;
  return {written ? heif_error_Ok : heif_error_Encoding_error, heif_suberror_Unspecified,
          written ? "" : "write failed"};
}

// Copies rows of `rowBytes` between buffers of different strides.
void CopyRows(const std::uint8_t* from, std::size_t fromStride, std::uint8_t* to,
              std::size_t toStride, std::size_t rowBytes, int rows) {
  for (int y = 0; y < rows; ++y) {
    std::memcpy(to + y * toStride, from + y * fromStride, rowBytes);
  }
}

QByteArray IccProfile(const heif_image_handle* handle) {
  const heif_color_profile_type type = heif_image_handle_get_color_profile_type(handle);
  if (type != heif_color_profile_type_prof && type != heif_color_profile_type_rICC) {
    return QByteArray();
  }
  QByteArray icc(static_cast<qsizetype>(heif_image_handle_get_raw_color_profile_size(handle)),
                 Qt::Uninitialized);
  return Ok(heif_image_handle_get_raw_color_profile(handle, icc.data())) ? icc : QByteArray();
}

// The AV1 encoder set for `quality` (0..100, 100 lossless; below 0 the default).
std::unique_ptr<heif_encoder, EncoderRelease> AvifEncoder(heif_context* context, int quality) {
  heif_encoder* encoder = nullptr;
  if (!Ok(heif_context_get_encoder_for_format(context, heif_compression_AV1, &encoder))) {
    return nullptr;
  }
  std::unique_ptr<heif_encoder, EncoderRelease> owned(encoder);
  const bool lossless = quality >= kLossless;
  // Full colour resolution: an editor's edges and text stay sharp.
  const bool set = Ok(heif_encoder_set_parameter_string(encoder, "chroma", "444")) &&
                   Ok(heif_encoder_set_parameter_integer(encoder, "speed", kSpeed)) &&
                   Ok(heif_encoder_set_parameter_integer(encoder, "threads", Threads())) &&
                   Ok(lossless ? heif_encoder_set_lossless(encoder, 1)
                               : heif_encoder_set_lossy_quality(
                                     encoder, quality < 0 ? kDefaultQuality : quality)) &&
                   Ok(heif_encoder_set_parameter_boolean(encoder, "lossless-alpha", lossless));
  return set ? std::move(owned) : nullptr;
}

// The picture as a libheif image of 8-bit interleaved RGB or RGBA, with its colour profile.
Image ToHeifImage(const QImage& source) {
  const bool alpha = source.hasAlphaChannel();
  const QImage picture =
      source.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
  heif_image* image = nullptr;
  if (picture.isNull() ||
      !Ok(heif_image_create(picture.width(), picture.height(), heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                            &image))) {
    return nullptr;
  }
  Image owned(image);
  int stride = 0;
  if (!Ok(heif_image_add_plane(image, heif_channel_interleaved, picture.width(), picture.height(),
                               8))) {
    return nullptr;
  }
  std::uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
  CopyRows(picture.constBits(), picture.bytesPerLine(), plane, stride,
           static_cast<std::size_t>(picture.width()) * (alpha ? 4 : 3), picture.height());
  const QByteArray icc = IccProfileOf(source);
  if (!icc.isEmpty()) {
    static_cast<void>(heif_image_set_raw_color_profile(image, "prof", icc.constData(),
                                                       static_cast<std::size_t>(icc.size())));
    // A profile the encoder cannot store is left out: the pixels matter more.
  }
  return owned;
}

}  // namespace

void HeifHandler::ContextFree::operator()(heif_context* context) const {
  heif_context_free(context);
}

void HeifHandler::HandleRelease::operator()(const heif_image_handle* handle) const {
  heif_image_handle_release(handle);
}

HeifHandler::HeifHandler(const QByteArray& format) {
  setFormat(format);
}

HeifHandler::~HeifHandler() = default;

QByteArray HeifHandler::FormatOf(QIODevice* device) {
  if (!device) {
    return QByteArray();
  }
  const QByteArray head = device->peek(kBrandBytes);
  const auto* bytes = reinterpret_cast<const std::uint8_t*>(head.constData());
  if (heif_check_filetype(bytes, static_cast<int>(head.size())) != heif_filetype_yes_supported) {
    return QByteArray();
  }
  return HasBrand(head, "avif") || HasBrand(head, "avis") ? "avif" : "heic";
}

bool HeifHandler::CanWrite(const QByteArray& format) {
  return format == "avif";
}

bool HeifHandler::canRead() const {
  // Once the file is read the device is at its end: answer from what was read.
  return m_loaded ? m_primary != nullptr : !FormatOf(device()).isEmpty();
}

bool HeifHandler::Load() const {
  if (m_loaded) {
    return m_primary != nullptr;
  }
  m_loaded = true;
  if (FormatOf(device()).isEmpty()) {
    return false;
  }
  m_data = device()->readAll();
  m_context.reset(heif_context_alloc());
  heif_context_set_maximum_image_size_limit(m_context.get(), kMaxSide);
  const heif_image_handle* primary = nullptr;
  if (!Ok(heif_context_read_from_memory_without_copy(
          m_context.get(), m_data.constData(), static_cast<std::size_t>(m_data.size()), nullptr)) ||
      !Ok(heif_context_get_primary_image_handle(m_context.get(),
                                                const_cast<heif_image_handle**>(&primary)))) {
    return false;
  }
  m_primary.reset(primary);
  return true;
}

bool HeifHandler::read(QImage* image) {
  if (!Load()) {
    return false;
  }
  const heif_image_handle* handle = m_primary.get();
  const bool alpha = heif_image_handle_has_alpha_channel(handle) != 0;
  const QImage::Format format = !alpha ? QImage::Format_RGB888
                                : heif_image_handle_is_premultiplied_alpha(handle)
                                    ? QImage::Format_RGBA8888_Premultiplied
                                    : QImage::Format_RGBA8888;
  const QSize size(heif_image_handle_get_width(handle), heif_image_handle_get_height(handle));
  QImage picture = AllocatePicture(size, format);  // before the decoder allocates anything
  heif_image* decoded = nullptr;
  if (picture.isNull() ||
      !Ok(heif_decode_image(handle, &decoded, heif_colorspace_RGB,
                            alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB,
                            nullptr))) {
    return false;
  }
  const Image owned(decoded);
  int stride = 0;
  const std::uint8_t* plane =
      heif_image_get_plane_readonly(decoded, heif_channel_interleaved, &stride);
  if (!plane || heif_image_get_width(decoded, heif_channel_interleaved) != size.width() ||
      heif_image_get_height(decoded, heif_channel_interleaved) != size.height()) {
    return false;
  }
  CopyRows(plane, static_cast<std::size_t>(stride), picture.bits(),
           static_cast<std::size_t>(picture.bytesPerLine()),
           static_cast<std::size_t>(size.width()) * (alpha ? 4 : 3), size.height());
  ApplyIccProfile(picture, IccProfile(handle));
  *image = std::move(picture);
  return true;
}

bool HeifHandler::write(const QImage& image) {
  if (!CanWrite(format()) || !device() || image.isNull()) {
    return false;
  }
  const std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
  const auto encoder = AvifEncoder(context.get(), m_quality);
  const Image picture = ToHeifImage(image);
  const std::unique_ptr<heif_encoding_options, OptionsFree> options(heif_encoding_options_alloc());
  const std::unique_ptr<heif_color_profile_nclx, NclxFree> nclx(heif_nclx_color_profile_alloc());
  if (!encoder || !picture || !options || !nclx) {
    return false;
  }
  if (m_quality >= kLossless) {
    // Lossless keeps the RGB values themselves rather than a rounded luma/chroma version.
    nclx->matrix_coefficients = heif_matrix_coefficients_RGB_GBR;
    nclx->full_range_flag = 1;
    options->output_nclx_profile = nclx.get();
    options->save_two_colr_boxes_when_ICC_and_nclx_available = 1;  // a profile would hide it
  }
  heif_writer writer = {};
  writer.writer_api_version = 1;
  writer.write = &WriteToDevice;
  return Ok(heif_context_encode_image(context.get(), picture.get(), encoder.get(), options.get(),
                                      nullptr)) &&
         Ok(heif_context_write(context.get(), &writer, device()));
}

bool HeifHandler::supportsOption(ImageOption option) const {
  return option == Size || (option == Quality && CanWrite(format()));
}

QVariant HeifHandler::option(ImageOption option) const {
  if (option == Quality) {
    return m_quality;
  }
  if (option != Size || !Load()) {
    return QVariant();
  }
  return QSize(heif_image_handle_get_width(m_primary.get()),
               heif_image_handle_get_height(m_primary.get()));
}

void HeifHandler::setOption(ImageOption option, const QVariant& value) {
  if (option == Quality) {
    m_quality = value.toInt();
  }
}

}  // namespace vantoria
