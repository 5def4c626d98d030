#include "codecs/heif_plugin.h"

#include <libheif/heif.h>

#include <memory>

#include "codecs/heif_handler.h"

namespace vantoria {
namespace {

bool IsOurs(const QByteArray& format) {
  return format == "heic" || format == "heif" || format == "avif";
}

}  // namespace

// Loads libheif's codecs once for the life of the program.
HeifPlugin::HeifPlugin() {
  static_cast<void>(heif_init(nullptr));  // without it libheif still reads with built-in codecs
}

HeifPlugin::~HeifPlugin() {
  heif_deinit();
}

QImageIOPlugin::Capabilities HeifPlugin::capabilities(QIODevice* device,
                                                      const QByteArray& format) const {
  if (!format.isEmpty() && !IsOurs(format)) {
    return {};
  }
  if (!device || !device->isOpen()) {
    return format.isEmpty()                ? Capabilities()
           : HeifHandler::CanWrite(format) ? Capabilities(CanRead | CanWrite)
                                           : Capabilities(CanRead);
  }
  Capabilities capabilities;
  if (device->isReadable() && !HeifHandler::FormatOf(device).isEmpty()) {
    capabilities |= CanRead;
  }
  if (device->isWritable() && HeifHandler::CanWrite(format)) {
    capabilities |= CanWrite;
  }
  return capabilities;
}

QImageIOHandler* HeifPlugin::create(QIODevice* device, const QByteArray& format) const {
  const QByteArray name = IsOurs(format) ? format : HeifHandler::FormatOf(device);
  auto handler = std::make_unique<HeifHandler>(name.isEmpty() ? QByteArray("heic") : name);
  handler->setDevice(device);
  return handler.release();  // the reader or writer that asked owns it
}

}  // namespace vantoria
