// The port monitor's job stream reader on a 6 x 8 page (1844 x 2492 pixels,
// 13.8 MB), offered in spooler-sized pieces, with page steps that finish at
// once: the cost of collecting a page.
#include <benchmark/benchmark.h>

#include "Q7310LM/monitor.h"
#include "Q7310LM/page_steps.h"
#include "common/job_stream.h"
#include "platform/spooler/monitor_table.h"
#include "platform/spooler/jobs.h"
#include "platform/spooler/printers.h"
#include "testing/downstream_double.h"
#include "testing/temp_root.h"

namespace {

using namespace q7310;

class InstantSteps : public lm::PageSteps {
  bool next(lm::JobRecord& job, lm::ReaderState state) {
    job.state = state;
    return true;
  }

 public:
  bool statusCheckStep(lm::PortContext&, lm::JobRecord& job) override {
    return next(job, lm::ReaderState::MediaCheck);
  }
  bool mediaCheckStep(lm::PortContext&, lm::JobRecord& job) override {
    return next(job, lm::ReaderState::ImageConversion);
  }
  bool imageConversionStep(lm::PortContext&, lm::JobRecord& job) override {
    return next(job, lm::ReaderState::PrintHeader);
  }
  bool printHeaderStep(lm::PortContext&, lm::JobRecord& job) override {
    return next(job, lm::ReaderState::ImageDownload);
  }
  bool imageDownloadStep(lm::PortContext&, lm::JobRecord& job) override {
    return next(job, lm::ReaderState::PageEnd);
  }
};

void BM_ReadSixByEightPage(benchmark::State& state) {
  const uint32_t piece = static_cast<uint32_t>(state.range(0));
  q7310::testing::TempRoot root;
  q7310::testing::DownstreamDouble downstream;
  InstantSteps steps;
  lm::setPageSteps(&steps);
  spooler::addPrinter({"Photo", "PORT1:", "D"});

  jobstream::PageHeader header;
  header.width = 1844;
  header.height = 2492;
  auto headerBytes = header.bytes();
  std::vector<uint8_t> page(headerBytes.begin(), headerBytes.end());
  page.resize(page.size() + size_t{1844} * 2492 * 3, 0x80);
  auto end = jobstream::pageEndBytes();
  page.insert(page.end(), end.begin(), end.end());

  spooler::MonitorHandle port = nullptr;
  lm::openPortEx(u"PORT1:", u"Photo", &port, downstream.table());
  spooler::DocInfo1 info{u"doc", nullptr, u"RAW"};
  lm::startDocPort(port, u"Photo", spooler::addJob("Photo", "doc"), 1, &info);
  auto jobHeader = jobstream::JobHeader{}.bytes();
  uint32_t written = 0;
  lm::writePort(port, jobHeader.data(), 16, &written);

  for (auto _ : state) {
    size_t offset = 0;
    while (offset < page.size()) {
      uint32_t size = static_cast<uint32_t>(std::min<size_t>(piece, page.size() - offset));
      if (!lm::writePort(port, page.data() + offset, size, &written)) {
        state.SkipWithError("the reader refused the page");
        break;
      }
      offset += written;
    }
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * page.size()));
  lm::endDocPort(port);
  lm::closePort(port);
  lm::setPageSteps(nullptr);
}
BENCHMARK(BM_ReadSixByEightPage)->Arg(4096)->Arg(65536)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
