#include "Q7310LM/bridge.h"

#include "Q7310LM/monitor_log.h"
#include "platform/os/global_memory.h"
#include "platform/os/library.h"
#include "platform/os/paths.h"

namespace q7310::lm {

namespace {

constexpr const char* kBridgeFile = "Q7310YMC.dll";
constexpr const char* kBridgeBuildFile = "libQ7310YMC.so";

bool bridgeIn(os::Folder folder) {
  const auto path = os::folderPath(folder);
  return os::findInFolder(path, kBridgeFile) || os::findInFolder(path, kBridgeBuildFile);
}

}  // namespace

std::string bridgePath() {
  for (os::Folder folder : {os::Folder::System, os::Folder::DriverX64Version3, os::Folder::DriverX64}) {
    if (bridgeIn(folder)) return os::windowsFolder(folder) + "\\" + kBridgeFile;
  }
  return kBridgeFile;
}

void releasePrinterImage(void* data) { os::globalFree(data); }

std::string_view runBridge(PortContext& port, JobRecord& job, ymc::ImageRequest& request, ymc::ImageResult& result) {
  const std::string path = bridgePath();
  {
    auto bridge = os::Library::load(path);
    if (!bridge) {
      logPort(port, "ERROR:   CANNOT LOAD %s", path.c_str());
      return kMissingDriverFiles;
    }
    auto process = bridge->function<ymc::ImageProcessingFn>(ymc::kImageProcessingExport);
    if (process == nullptr) {
      logPort(port, "ERROR:   CANNOT FIND Q7310_IMAGEPROCESSING PROC");
      return kMissingDriverFiles;
    }
    process(&request, &result);
  }  // the bridge is released here, whatever it answered

  // The buffer is ours once the call returns, success or not: a failed
  // conversion that left one must not leak it on every repeated write.
  PrinterImage image(result.printerImage, PrinterImageRelease{&releasePrinterImage});
  result.printerImage = nullptr;
  const uint32_t signature = result.signature;
  if (signature != ymc::kSignatureSuccess) {
    logPort(port, "ERROR:   INVALID IMAGE PROCESSING SIGNATURE [%08X]", signature);
    return kInvalidSignature;
  }
  // The download sends width x height x 8 bytes from the buffer: a success
  // without a buffer, or for another size than asked, would send memory that
  // is not the page's.
  const uint32_t width = result.width;
  const uint32_t height = result.height;
  if (!image || width != request.width || height != request.height) {
    logPort(port, "ERROR:   INVALID IMAGE PROCESSING RESULT [%u x %u]", width, height);
    return kInvalidSignature;
  }
  job.printerImage = std::move(image);
  job.printerImageSize = static_cast<uint32_t>(uint64_t{width} * height * ymc::kPrinterBytesPerPixel);
  job.printerImageSent = 0;
  return {};
}

}  // namespace q7310::lm
