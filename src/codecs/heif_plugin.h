#pragma once

// The HEIC/HEIF/AVIF reader and AVIF writer as a static Qt image-format plugin.

#include <QImageIOPlugin>

namespace vantoria {

class HeifPlugin : public QImageIOPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "heif_plugin.json")

 public:
  HeifPlugin();
  ~HeifPlugin() override;
  Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
  QImageIOHandler* create(QIODevice* device, const QByteArray& format) const override;
};

}  // namespace vantoria
