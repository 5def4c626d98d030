#pragma once

// The JPEG XL reader and writer as a static Qt image-format plugin.

#include <QImageIOPlugin>

namespace vantoria {

class JxlPlugin : public QImageIOPlugin {
  Q_OBJECT
  Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "jxl_plugin.json")

 public:
  Capabilities capabilities(QIODevice* device, const QByteArray& format) const override;
  QImageIOHandler* create(QIODevice* device, const QByteArray& format) const override;
};

}  // namespace vantoria
