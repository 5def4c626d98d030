#pragma once

// HEIC/HEIF and AVIF pictures through libheif. Reading applies the file's rotation and mirror
// (so the picture comes out upright) and carries its ICC profile into the colour space; the
// primary picture is the one read. AVIF is written with the AV1 encoder; HEIC is read only.

#include <QByteArray>
#include <QImage>
#include <QImageIOHandler>
#include <QSize>
#include <QVariant>
#include <memory>

struct heif_context;
struct heif_image_handle;

namespace vantoria {

class HeifHandler : public QImageIOHandler {
 public:
  // `format` is the name the handler answers to: "heic", "heif" or "avif".
  explicit HeifHandler(const QByteArray& format);
  ~HeifHandler() override;

  bool canRead() const override;
  bool read(QImage* image) override;
  bool write(const QImage& image) override;
  bool supportsOption(ImageOption option) const override;
  QVariant option(ImageOption option) const override;
  void setOption(ImageOption option, const QVariant& value) override;

  // Which of our names the device's bytes are ("avif" or "heic"); empty when neither.
  static QByteArray FormatOf(QIODevice* device);
  // Whether a picture can be written in the format (AVIF only).
  static bool CanWrite(const QByteArray& format);

 private:
  struct ContextFree {
    void operator()(heif_context* context) const;
  };
  struct HandleRelease {
    void operator()(const heif_image_handle* handle) const;
  };

  // Parses the file on first use; false when it is not one libheif reads.
  bool Load() const;

  mutable QByteArray m_data;  // the file, which the parsed context points into
  mutable std::unique_ptr<heif_context, ContextFree> m_context;
  mutable std::unique_ptr<const heif_image_handle, HandleRelease> m_primary;
  mutable bool m_loaded = false;
  int m_quality = -1;
};

}  // namespace vantoria
