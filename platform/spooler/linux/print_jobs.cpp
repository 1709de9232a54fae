#include "platform/spooler/print_jobs.h"

#include <cstdio>
#include <map>
#include <mutex>

#include "platform/os/errors.h"
#include "platform/os/files.h"
#include "platform/os/paths.h"
#include "platform/spooler/jobs.h"

namespace q7310::spooler {
namespace {

constexpr const char* kSpoolFolder = "C:\\Windows\\System32\\spool\\PRINTERS";

// A job's shadow file: printer and document name, one per line. It exists
// once the document has ended and marks the job complete.
std::string shadowFilePath(uint32_t jobId) {
  char name[32];
  std::snprintf(name, sizeof name, "\\%05u.SHD", jobId);
  return std::string(kSpoolFolder) + name;
}

struct OpenDocument {
  std::string root;
  uint32_t jobId = 0;
  std::string printer;
  std::string document;
  std::FILE* file = nullptr;
};

std::mutex& docMutex() {
  static std::mutex m;
  return m;
}
std::map<PrinterHandle, OpenDocument>& openDocuments() {
  static std::map<PrinterHandle, OpenDocument> docs;
  return docs;
}

// Documents left open on handles of another root (an earlier test's) are
// closed, so a handle value used again there starts clean.
void dropOtherRoots() {
  const std::string root = os::root().string();
  for (auto it = openDocuments().begin(); it != openDocuments().end();) {
    if (it->second.root != root) {
      std::fclose(it->second.file);
      it = openDocuments().erase(it);
    } else {
      ++it;
    }
  }
}

// Pushes bytes still buffered for an open document of the job to its file.
void flushJob(uint32_t jobId) {
  const std::string root = os::root().string();
  for (auto& [handle, doc] : openDocuments()) {
    if (doc.jobId == jobId && doc.root == root) std::fflush(doc.file);
  }
}

// The open document of a valid handle; sets the last error otherwise.
OpenDocument* documentOf(PrinterHandle printer) {
  if (!printerNameOf(printer)) return nullptr;
  dropOtherRoots();
  auto it = openDocuments().find(printer);
  if (it == openDocuments().end()) {
    os::setLastError(os::kErrorInvalidPrinterState);
    return nullptr;
  }
  return &it->second;
}

}  // namespace

std::string spoolFilePath(uint32_t jobId) {
  char name[32];
  std::snprintf(name, sizeof name, "\\%05u.SPL", jobId);
  return std::string(kSpoolFolder) + name;
}

uint32_t startDocPrinter(PrinterHandle printer, std::string_view documentName) {
  auto name = printerNameOf(printer);
  if (!name) return 0;
  std::lock_guard lock(docMutex());
  dropOtherRoots();
  if (openDocuments().count(printer) != 0) {
    os::setLastError(os::kErrorInvalidPrinterState);
    return 0;
  }
  if (!os::createFolder(kSpoolFolder)) {
    os::setLastError(os::kErrorWriteFault);
    return 0;
  }
  const uint32_t jobId = addJob(*name, documentName);
  if (jobId == 0) return 0;
  // A job number can come again after a restart: start from empty data.
  os::deleteFile(shadowFilePath(jobId));
  std::FILE* file = std::fopen(os::mapPath(spoolFilePath(jobId)).c_str(), "wb");
  if (file == nullptr) {
    setJob(printer, jobId, JobControl::Delete);
    os::setLastError(os::kErrorWriteFault);
    return 0;
  }
  openDocuments()[printer] = OpenDocument{os::root().string(), jobId, *name, std::string(documentName), file};
  return jobId;
}

bool writePrinter(PrinterHandle printer, std::span<const uint8_t> bytes) {
  std::lock_guard lock(docMutex());
  OpenDocument* doc = documentOf(printer);
  if (doc == nullptr) return false;
  if (bytes.empty()) return true;
  if (std::fwrite(bytes.data(), 1, bytes.size(), doc->file) != bytes.size()) {
    os::setLastError(os::kErrorWriteFault);
    return false;
  }
  return true;
}

bool endDocPrinter(PrinterHandle printer) {
  std::lock_guard lock(docMutex());
  OpenDocument* doc = documentOf(printer);
  if (doc == nullptr) return false;
  const bool flushed = std::fclose(doc->file) == 0;
  const OpenDocument ended = *doc;
  openDocuments().erase(printer);
  if (!flushed || !os::writeFileAtomic(shadowFilePath(ended.jobId), ended.printer + "\n" + ended.document + "\n")) {
    // Data that did not reach the disk must not be printed as if it had.
    setJob(printer, ended.jobId, JobControl::Delete);
    os::deleteFile(spoolFilePath(ended.jobId));
    os::setLastError(os::kErrorWriteFault);
    return false;
  }
  return true;
}

bool abortPrinter(PrinterHandle printer) {
  std::lock_guard lock(docMutex());
  OpenDocument* doc = documentOf(printer);
  if (doc == nullptr) return false;
  std::fclose(doc->file);
  const uint32_t jobId = doc->jobId;
  openDocuments().erase(printer);
  os::deleteFile(spoolFilePath(jobId));
  setJob(printer, jobId, JobControl::Delete);
  return true;
}

uint32_t openDocumentJob(PrinterHandle printer) {
  std::lock_guard lock(docMutex());
  dropOtherRoots();
  auto it = openDocuments().find(printer);
  return it != openDocuments().end() ? it->second.jobId : 0;
}

std::optional<SpooledJob> spooledJob(uint32_t jobId) {
  {
    std::lock_guard lock(docMutex());
    flushJob(jobId);
  }
  auto size = os::fileSize(spoolFilePath(jobId));
  if (!size) return std::nullopt;
  SpooledJob job;
  job.jobId = jobId;
  job.size = *size;
  if (auto shadow = os::readTextFile(shadowFilePath(jobId))) {
    const size_t cut = shadow->find('\n');
    job.printer = shadow->substr(0, cut);
    if (cut != std::string::npos) {
      std::string rest = shadow->substr(cut + 1);
      if (!rest.empty() && rest.back() == '\n') rest.pop_back();
      job.document = rest;
    }
    job.complete = true;
    return job;
  }
  std::lock_guard lock(docMutex());
  const std::string root = os::root().string();
  for (const auto& [handle, doc] : openDocuments()) {
    if (doc.jobId == jobId && doc.root == root) {
      job.printer = doc.printer;
      job.document = doc.document;
      break;
    }
  }
  return job;
}

std::optional<std::vector<uint8_t>> spoolData(uint32_t jobId) {
  {
    // Bytes still buffered for an open document belong to what was written.
    std::lock_guard lock(docMutex());
    flushJob(jobId);
  }
  auto data = os::readFile(spoolFilePath(jobId));
  if (!data) os::setLastError(os::kErrorInvalidParameter);
  return data;
}

std::vector<SpooledJob> queuedJobs(std::string_view printerName) {
  std::vector<SpooledJob> out;
  for (const JobInfo& info : jobs(printerName)) {
    auto job = spooledJob(info.jobId);
    if (job && job->complete) out.push_back(*job);
  }
  return out;
}

}  // namespace q7310::spooler
