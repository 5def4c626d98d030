#pragma once

// JPEG XL pictures through libjxl. Reading applies the file's orientation and carries its ICC
// profile into the colour space; the first frame is the one read. Writing is lossless unless a
// quality below 100 is set (then the visual distance libjxl's own tools give that quality).

#include <QByteArray>
#include <QImage>
#include <QImageIOHandler>
#include <QSize>
#include <QVariant>

namespace vantoria {

class JxlHandler : public QImageIOHandler {
 public:
  JxlHandler();

  bool canRead() const override;
  bool read(QImage* image) override;
  bool write(const QImage& image) override;
  bool supportsOption(ImageOption option) const override;
  QVariant option(ImageOption option) const override;
  void setOption(ImageOption option, const QVariant& value) override;

  // Whether the device's bytes start as a JPEG XL codestream or container.
  static bool CanRead(QIODevice* device);

 private:
  // Reads the file and its header on first use; false when the header cannot be read.
  bool Load() const;

  mutable QByteArray m_data;
  mutable QSize m_size;  // upright
  mutable bool m_alpha = false;
  mutable bool m_loaded = false;
  int m_quality = -1;
};

}  // namespace vantoria
