#include "codecs/jxl_handler.h"

#include <jxl/decode_cxx.h>
#include <jxl/encode_cxx.h>
#include <jxl/thread_parallel_runner_cxx.h>

#include <QIODevice>
#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdint>
#include <vector>

#include "codecs/codec_support.h"

namespace vantoria {
namespace {

constexpr qint64 kSignatureBytes = 12;
constexpr int kLossless = 100;
constexpr std::size_t kOutputChunk = std::size_t{1} << 16;
// Orientations 5 to 8 turn the picture a quarter, so its upright size is transposed.
constexpr std::uint32_t kFirstTransposed = 5;

const std::uint8_t* Bytes(const QByteArray& data) {
  return reinterpret_cast<const std::uint8_t*>(data.constData());
}

JxlPixelFormat EightBit(std::uint32_t channels) {
  // Rows as QImage lays them out: each starts on a 4-byte boundary.
  return {channels, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 4};
}

JxlDecoderPtr StartDecoder(const QByteArray& data, int events, void* runner) {
  JxlDecoderPtr decoder = JxlDecoderMake(nullptr);
  if (!decoder || JxlDecoderSubscribeEvents(decoder.get(), events) != JXL_DEC_SUCCESS ||
      JxlDecoderSetUnpremultiplyAlpha(decoder.get(), JXL_TRUE) != JXL_DEC_SUCCESS ||
      (runner && JxlDecoderSetParallelRunner(decoder.get(), JxlThreadParallelRunner, runner) !=
                     JXL_DEC_SUCCESS) ||
      JxlDecoderSetInput(decoder.get(), Bytes(data), static_cast<std::size_t>(data.size())) !=
          JXL_DEC_SUCCESS) {
    return nullptr;
  }
  JxlDecoderCloseInput(decoder.get());
  return decoder;
}

QByteArray IccProfile(JxlDecoder* decoder) {
  const JxlPixelFormat format = EightBit(4);
  std::size_t size = 0;
  if (JxlDecoderGetICCProfileSize(decoder, &format, JXL_COLOR_PROFILE_TARGET_DATA, &size) !=
      JXL_DEC_SUCCESS) {
    return QByteArray();
  }
  QByteArray icc(static_cast<qsizetype>(size), Qt::Uninitialized);
  return JxlDecoderGetColorAsICCProfile(decoder, &format, JXL_COLOR_PROFILE_TARGET_DATA,
                                        reinterpret_cast<std::uint8_t*>(icc.data()),
                                        size) == JXL_DEC_SUCCESS
             ? icc
             : QByteArray();
}

// libjxl's own mapping of a JPEG-like quality (0..99) to a visual distance.
float Distance(int quality) {
  const double q = std::clamp(quality, 0, kLossless - 1);
  return static_cast<float>(q >= 30 ? 0.1 + (100 - q) * 0.09
                                    : 6.4 + std::pow(2.5, (30 - q) / 5.0) / 6.25);
}

// Sets up the encoder for the picture: size, channels, colour profile, lossless or distance.
JxlEncoderFrameSettings* Configure(JxlEncoder* encoder, const QImage& picture,
                                   const QByteArray& icc, int quality) {
  const bool alpha = picture.hasAlphaChannel();
  const bool lossless = quality < 0 || quality >= kLossless;
  JxlBasicInfo info;
  JxlEncoderInitBasicInfo(&info);
  info.xsize = static_cast<std::uint32_t>(picture.width());
  info.ysize = static_cast<std::uint32_t>(picture.height());
  info.bits_per_sample = 8;
  info.num_color_channels = 3;
  info.num_extra_channels = alpha ? 1 : 0;
  info.alpha_bits = alpha ? 8 : 0;
  info.uses_original_profile = lossless ? JXL_TRUE : JXL_FALSE;
  JxlColorEncoding srgb;
  JxlColorEncodingSetToSRGB(&srgb, JXL_FALSE);
  const bool described =
      JxlEncoderSetBasicInfo(encoder, &info) == JXL_ENC_SUCCESS &&
      (icc.isEmpty()
           ? JxlEncoderSetColorEncoding(encoder, &srgb)
           : JxlEncoderSetICCProfile(encoder, Bytes(icc), static_cast<std::size_t>(icc.size()))) ==
          JXL_ENC_SUCCESS;
  JxlEncoderFrameSettings* settings =
      described ? JxlEncoderFrameSettingsCreate(encoder, nullptr) : nullptr;
  if (!settings ||
      (lossless ? JxlEncoderSetFrameLossless(settings, JXL_TRUE)
                : JxlEncoderSetFrameDistance(settings, Distance(quality))) != JXL_ENC_SUCCESS) {
    return nullptr;
  }
  return settings;
}

}  // namespace

JxlHandler::JxlHandler() {
  setFormat("jxl");
}

bool JxlHandler::CanRead(QIODevice* device) {
  if (!device) {
    return false;
  }
  const QByteArray head = device->peek(kSignatureBytes);
  const JxlSignature signature =
      JxlSignatureCheck(Bytes(head), static_cast<std::size_t>(head.size()));
  return signature == JXL_SIG_CODESTREAM || signature == JXL_SIG_CONTAINER;
}

bool JxlHandler::canRead() const {
  // Once the file is read the device is at its end: answer from what was read.
  return m_loaded ? m_size.isValid() : CanRead(device());
}

bool JxlHandler::Load() const {
  if (m_loaded) {
    return m_size.isValid();
  }
  m_loaded = true;
  if (!CanRead(device())) {
    return false;
  }
  m_data = device()->readAll();
  const JxlDecoderPtr decoder = StartDecoder(m_data, JXL_DEC_BASIC_INFO, nullptr);
  JxlBasicInfo info;
  if (!decoder || JxlDecoderProcessInput(decoder.get()) != JXL_DEC_BASIC_INFO ||
      JxlDecoderGetBasicInfo(decoder.get(), &info) != JXL_DEC_SUCCESS) {
    return false;
  }
  const bool transposed = info.orientation >= kFirstTransposed;
  const auto width = transposed ? info.ysize : info.xsize;
  const auto height = transposed ? info.xsize : info.ysize;
  if (width > INT_MAX || height > INT_MAX) {
    return false;
  }
  m_size = QSize(static_cast<int>(width), static_cast<int>(height));
  m_alpha = info.alpha_bits > 0;
  return true;
}

bool JxlHandler::read(QImage* image) {
  if (!Load()) {
    return false;
  }
  // Allocated before the decoder allocates anything, so the program's limit applies first.
  QImage picture =
      AllocatePicture(m_size, m_alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888);
  const JxlThreadParallelRunnerPtr runner =
      JxlThreadParallelRunnerMake(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads());
  const JxlDecoderPtr decoder =
      picture.isNull()
          ? nullptr
          : StartDecoder(m_data, JXL_DEC_COLOR_ENCODING | JXL_DEC_FULL_IMAGE, runner.get());
  const JxlPixelFormat format = EightBit(4);
  for (JxlDecoder* dec = decoder.get(); dec;) {
    switch (JxlDecoderProcessInput(dec)) {
      case JXL_DEC_COLOR_ENCODING:
        ApplyIccProfile(picture, IccProfile(dec));
        break;
      case JXL_DEC_NEED_IMAGE_OUT_BUFFER: {
        std::size_t bytes = 0;
        if (JxlDecoderImageOutBufferSize(dec, &format, &bytes) != JXL_DEC_SUCCESS ||
            bytes != static_cast<std::size_t>(picture.sizeInBytes()) ||
            JxlDecoderSetImageOutBuffer(dec, &format, picture.bits(), bytes) != JXL_DEC_SUCCESS) {
          return false;
        }
        break;
      }
      case JXL_DEC_FULL_IMAGE:
        *image = std::move(picture);
        return true;
      default:  // an error, a cut-off file, or the end without a picture
        return false;
    }
  }
  return false;
}

bool JxlHandler::write(const QImage& image) {
  if (!device() || image.isNull()) {
    return false;
  }
  const bool alpha = image.hasAlphaChannel();
  const QImage picture =
      image.convertToFormat(alpha ? QImage::Format_RGBA8888 : QImage::Format_RGB888);
  const JxlEncoderPtr encoder = JxlEncoderMake(nullptr);
  const JxlThreadParallelRunnerPtr runner =
      JxlThreadParallelRunnerMake(nullptr, JxlThreadParallelRunnerDefaultNumWorkerThreads());
  if (picture.isNull() || !encoder || !runner ||
      JxlEncoderSetParallelRunner(encoder.get(), JxlThreadParallelRunner, runner.get()) !=
          JXL_ENC_SUCCESS) {
    return false;
  }
  JxlEncoderFrameSettings* settings =
      Configure(encoder.get(), picture, IccProfileOf(image), m_quality);
  const JxlPixelFormat format = EightBit(alpha ? 4 : 3);
  if (!settings ||
      JxlEncoderAddImageFrame(settings, &format, picture.constBits(),
                              static_cast<std::size_t>(picture.sizeInBytes())) != JXL_ENC_SUCCESS) {
    return false;
  }
  JxlEncoderCloseInput(encoder.get());
  std::vector<std::uint8_t> chunk(kOutputChunk);
  JxlEncoderStatus status = JXL_ENC_NEED_MORE_OUTPUT;
  while (status == JXL_ENC_NEED_MORE_OUTPUT) {
    std::uint8_t* next = chunk.data();
    std::size_t room = chunk.size();
    status = JxlEncoderProcessOutput(encoder.get(), &next, &room);
    const auto length = static_cast<qint64>(chunk.size() - room);
    if (device()->write(reinterpret_cast<const char*>(chunk.data()), length) != length) {
      return false;
    }
  }
  return status == JXL_ENC_SUCCESS;
}

bool JxlHandler::supportsOption(ImageOption option) const {
  return option == Size || option == Quality;
}

QVariant JxlHandler::option(ImageOption option) const {
  if (option == Quality) {
    return m_quality;
  }
  return option == Size && Load() ? QVariant(m_size) : QVariant();
}

void JxlHandler::setOption(ImageOption option, const QVariant& value) {
  if (option == Quality) {
    m_quality = value.toInt();
  }
}

}  // namespace vantoria
