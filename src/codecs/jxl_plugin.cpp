#include "codecs/jxl_plugin.h"

#include <memory>

#include "codecs/jxl_handler.h"

namespace vantoria {

QImageIOPlugin::Capabilities JxlPlugin::capabilities(QIODevice* device,
                                                     const QByteArray& format) const {
  if (!format.isEmpty() && format != "jxl") {
    return {};
  }
  if (!device || !device->isOpen()) {
    return format.isEmpty() ? Capabilities() : Capabilities(CanRead | CanWrite);
  }
  Capabilities capabilities;
  if (device->isReadable() && JxlHandler::CanRead(device)) {
    capabilities |= CanRead;
  }
  if (device->isWritable() && !format.isEmpty()) {
    capabilities |= CanWrite;
  }
  return capabilities;
}

QImageIOHandler* JxlPlugin::create(QIODevice* device, const QByteArray&) const {
  auto handler = std::make_unique<JxlHandler>();
  handler->setDevice(device);
  return handler.release();  // the reader or writer that asked owns it
}

}  // namespace vantoria
