// The demo: on a fresh root, the package is set up beside an emulated printer
// with a 6 x 8 ribbon, and the built-in test chart is printed through the
// real print path: the graphics driver renders a 6 x 8 page and two 4 x 6
// pages (which it pairs on one sheet) into a spooled job, the port monitor
// takes the job through the downstream port to the printer, and the printer
// keeps a picture of every finished print.
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <system_error>

#include "app/commands.h"
#include "app/test_chart.h"
#include "common/protocol/printer_protocol.h"
#include "common/settings/devmode.h"
#include "outside/printer/emulator/emulated_printer.h"
#include "outside/printer/emulator/link.h"
#include "outside/usbmon/usbmon.h"
#include "platform/gdi/printer_dc.h"
#include "platform/os/clock.h"
#include "platform/os/files.h"
#include "platform/os/library.h"
#include "platform/os/paths.h"
#include "platform/spooler/drivers.h"
#include "platform/spooler/port_driver.h"
#include "platform/spooler/print_jobs.h"
#include "platform/spooler/printers.h"

namespace fs = std::filesystem;

namespace q7310::app {

namespace {

constexpr const char* kPrinterName = "Veltrano DPX-Q7310";
constexpr const char* kPort = "Q7310_001";

settings::PrintSettings settingsFor(int paperSize) {
  settings::PrintSettings s = settings::defaultSettings(u"Veltrano DPX-Q7310", settings::SettingsModule::SettingsUi);
  s.dm.dmFields = (s.dm.dmFields & ~settings::kDmFormName) | settings::kDmPaperSize;
  s.dm.dmPaperSize = static_cast<int16_t>(paperSize);
  s.priv.RibbonType = 1;  // the 6 x 8 ribbon is loaded
  return s;
}

// The package's color profiles, made by the build beside its programs, go
// into the root's color folder, where the color matching looks for them.
bool installProfiles() {
  fs::path built = os::platformLibraryFolder().parent_path() / "profiles";
  fs::path color = os::folderPath(os::Folder::Color);
  std::error_code ec;
  fs::create_directories(color, ec);
  int copied = 0;
  for (const auto& entry : fs::directory_iterator(built, ec)) {
    if (entry.path().extension() != ".ICC") continue;
    fs::copy_file(entry.path(), color / entry.path().filename(), fs::copy_options::overwrite_existing, ec);
    copied += ec ? 0 : 1;
  }
  return copied > 0;
}

bool installPackage() {
  if (!installProfiles()) std::printf("q7310 demo: no color profiles found; pages print without color matching\n");
  return spooler::addPrinter({kPrinterName, kPort, kPrinterName}) &&
         spooler::addPrinterDriver({3, kPrinterName, spooler::kEnvironmentX64, "Q7310DDI.dll", "", "Q7310UI.dll"});
}

// Renders the document into a spooled job; its identifier, 0 on failure.
uint32_t renderDocument() {
  auto dc = gdi::PrinterDc::create(kPrinterName, settings::bytesOf(settingsFor(259)));
  if (!dc) {
    std::fprintf(stderr, "q7310 demo: the graphics driver could not be started\n");
    return 0;
  }
  if (!dc->startDoc("Q7310 test chart")) return 0;
  uint32_t job = dc->jobId();
  bool ok = dc->startPage() && drawTestChart(*dc, u"DPX-Q7310 6 x 8") && dc->endPage();
  std::printf("q7310 demo: page 1 (6 x 8) rendered\n");
  ok = ok && dc->resetDc(settings::bytesOf(settingsFor(257)));
  for (int page = 2; ok && page <= 3; ++page) {
    ok = dc->startPage() && drawTestChart(*dc, page == 2 ? u"4 x 6 left" : u"4 x 6 right") && dc->endPage();
    std::printf("q7310 demo: page %d (4 x 6) rendered\n", page);
  }
  ok = ok && dc->endDoc();
  return ok ? job : 0;
}

// Every print received has all its copies out and the printer rests.
bool printerDone(printer::EmulatedPrinter& printer) {
  if (printer.prnStatus() != protocol::kStateIdle) return false;
  for (const auto& p : printer.prints()) {
    if (p.complete && !p.cancelled && p.copiesPrinted < p.command.copies) return false;
  }
  return true;
}

}  // namespace

int runDemo(const std::vector<std::string>& args) {
  fs::path demoRoot = args.empty() ? fs::temp_directory_path() / "q7310-demo" : fs::path(args[0]);
  std::error_code ec;
  fs::remove_all(demoRoot, ec);
  fs::create_directories(demoRoot, ec);
  os::setRoot(demoRoot);
  os::createFolder(os::windowsFolder(os::Folder::DebugLog));
  fs::path prints = demoRoot / "prints";
  fs::create_directories(prints, ec);
  std::printf("q7310 demo: fresh root %s\n", demoRoot.c_str());

  if (!installPackage()) {
    std::fprintf(stderr, "q7310 demo: the printer could not be set up in the spooler\n");
    return 1;
  }
  printer::PrinterConfig config;
  config.ribbonType = protocol::kRibbon6x8;
  config.speed = 40;  // forty times faster than a real printer
  config.printFolder = prints;
  printer::EmulatedPrinter printer(config);
  usbmon::attachLink(kPort, std::make_shared<printer::InProcessLink>(printer), "VLT-7310-DEMO");
  std::printf("q7310 demo: emulated DPX-Q7310 on port %s with a 6 x 8 ribbon\n", kPort);

  uint32_t job = renderDocument();
  auto data = job ? spooler::spoolData(job) : std::nullopt;
  if (!data) {
    std::fprintf(stderr, "q7310 demo: the document could not be rendered\n");
    return 1;
  }
  std::printf("q7310 demo: job %u spooled (%zu bytes)\n", job, data->size());

  auto port = spooler::PortDriver::load("Q7310LM.dll");
  if (!port || !port->openPort(kPort, kPrinterName, usbmon::monitorTable())) {
    std::fprintf(stderr, "q7310 demo: the port monitor could not open %s\n", kPort);
    return 1;
  }
  spooler::RunOptions options;
  options.documentName = u"Q7310 test chart";
  options.pieces = spooler::randomPieces(7310, 65536);
  spooler::DocumentResult result = port->runDocument(*data, options);
  port->closePort();
  usbmon::detachLink(kPort);
  if (!result.ended || result.abandoned || result.bytesTaken != data->size()) {
    std::fprintf(stderr, "q7310 demo: the port monitor did not take the whole job (%llu of %zu bytes)\n",
                 static_cast<unsigned long long>(result.bytesTaken), data->size());
    return 1;
  }
  uint64_t deadline = os::tickCount64() + 60000;
  while (!printerDone(printer) && os::tickCount64() < deadline) os::sleepMs(50);

  auto received = printer.prints();
  std::printf("q7310 demo: the printer received %zu prints:\n", received.size());
  for (size_t i = 0; i < received.size(); ++i) {
    const auto& p = received[i];
    std::printf("  print %zu: %u x %u pixels, method %u, %u cop%s, %s\n", i + 1, p.command.width, p.command.height,
                p.command.printMethod(), p.command.copies, p.command.copies == 1 ? "y" : "ies",
                p.complete ? "complete" : "incomplete");
  }
  auto status = printer.status();
  std::printf("q7310 demo: counters now: lifetime %u, since maintenance %u, since paper change %u\n",
              status.lifetimeCount, status.maintenanceCount, status.paperCount);
  std::printf("q7310 demo: pictures of the prints are in %s\n", prints.c_str());
  std::printf("q7310 demo: debug logs are in %s\n", os::folderPath(os::Folder::DebugLog).c_str());
  return received.empty() ? 1 : 0;
}

}  // namespace q7310::app
