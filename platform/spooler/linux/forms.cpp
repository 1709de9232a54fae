// Added forms live in one file under the spool folder, one form a line:
//   flags<TAB>width<TAB>height<TAB>left<TAB>top<TAB>right<TAB>bottom<TAB>name (UTF-8)
#include "platform/spooler/forms.h"

#include <algorithm>
#include <cstdio>
#include <sstream>

#include "common/wide_text.h"
#include "platform/os/errors.h"
#include "platform/os/files.h"
#include "platform/os/paths.h"

namespace q7310::spooler {

namespace {

constexpr uint32_t kErrorInvalidFormName = 1902;

std::string formsFile() { return os::windowsFolder(os::Folder::System) + "\\spool\\forms.txt"; }

const std::vector<FormInfo1>& builtinForms() {
  static const std::vector<FormInfo1> forms = {
      {kFormBuiltin, u"Letter", 215900, 279400, 0, 0, 215900, 279400},
      {kFormBuiltin, u"Legal", 215900, 355600, 0, 0, 215900, 355600},
      {kFormBuiltin, u"A4", 210000, 297000, 0, 0, 210000, 297000},
      {kFormBuiltin, u"A5", 148000, 210000, 0, 0, 148000, 210000},
      {kFormBuiltin, u"A6", 105000, 148000, 0, 0, 105000, 148000},
  };
  return forms;
}

char16_t fold(char16_t ch) { return (ch >= u'A' && ch <= u'Z') ? static_cast<char16_t>(ch + 32) : ch; }

bool sameName(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (fold(a[i]) != fold(b[i])) return false;
  }
  return true;
}

std::vector<FormInfo1> addedForms() {
  std::vector<FormInfo1> forms;
  auto text = os::readTextFile(formsFile());
  if (!text) return forms;
  std::istringstream in(*text);
  for (std::string line; std::getline(in, line);) {
    FormInfo1 form;
    int consumed = 0;
    if (std::sscanf(line.c_str(), "%u\t%d\t%d\t%d\t%d\t%d\t%d\t%n", &form.flags, &form.width, &form.height,
                    &form.left, &form.top, &form.right, &form.bottom, &consumed) != 7 ||
        consumed <= 0) {
      continue;  // a damaged line is skipped, the rest stays usable
    }
    form.name = text::toUtf16(line.substr(static_cast<size_t>(consumed)));
    if (!form.name.empty()) forms.push_back(std::move(form));
  }
  return forms;
}

bool writeAddedForms(const std::vector<FormInfo1>& forms) {
  std::string text;
  for (const auto& f : forms) {
    char head[128];
    std::snprintf(head, sizeof head, "%u\t%d\t%d\t%d\t%d\t%d\t%d\t", f.flags, f.width, f.height, f.left, f.top,
                  f.right, f.bottom);
    text += head + text::toUtf8(f.name) + "\n";
  }
  os::createFolder(os::windowsFolder(os::Folder::System) + "\\spool");
  if (!os::writeFileAtomic(formsFile(), text)) {
    os::setLastError(os::kErrorWriteFault);
    return false;
  }
  return true;
}

bool checkHandle(PrinterHandle printer) {
  if (!printerNameOf(printer)) {
    os::setLastError(os::kErrorInvalidHandle);
    return false;
  }
  return true;
}

bool validName(std::u16string_view name) {
  if (name.empty()) return false;
  for (char16_t ch : name) {
    if (ch < 0x20) return false;
  }
  return true;
}

}  // namespace

std::optional<std::vector<FormInfo1>> enumForms(PrinterHandle printer) {
  if (!checkHandle(printer)) return std::nullopt;
  std::vector<FormInfo1> forms = builtinForms();
  for (auto& form : addedForms()) forms.push_back(std::move(form));
  return forms;
}

std::optional<FormInfo1> getForm(PrinterHandle printer, std::u16string_view name) {
  auto forms = enumForms(printer);
  if (!forms) return std::nullopt;
  for (const auto& form : *forms) {
    if (sameName(form.name, name)) return form;
  }
  os::setLastError(os::kErrorInvalidParameter);
  return std::nullopt;
}

bool addForm(PrinterHandle printer, const FormInfo1& form) {
  if (!checkHandle(printer)) return false;
  if (!validName(form.name) || form.width <= 0 || form.height <= 0) {
    os::setLastError(os::kErrorInvalidParameter);
    return false;
  }
  for (const auto& f : builtinForms()) {
    if (sameName(f.name, form.name)) {
      os::setLastError(os::kErrorFileExists);
      return false;
    }
  }
  std::vector<FormInfo1> forms = addedForms();
  for (const auto& f : forms) {
    if (sameName(f.name, form.name)) {
      os::setLastError(os::kErrorFileExists);
      return false;
    }
  }
  FormInfo1 added = form;
  if (added.flags == kFormBuiltin) added.flags = kFormUser;  // nobody adds a built-in form
  forms.push_back(added);
  return writeAddedForms(forms);
}

bool deleteForm(PrinterHandle printer, std::u16string_view name) {
  if (!checkHandle(printer)) return false;
  for (const auto& f : builtinForms()) {
    if (sameName(f.name, name)) {
      os::setLastError(os::kErrorInvalidParameter);
      return false;
    }
  }
  std::vector<FormInfo1> forms = addedForms();
  auto it = std::find_if(forms.begin(), forms.end(), [&](const FormInfo1& f) { return sameName(f.name, name); });
  if (it == forms.end()) {
    os::setLastError(kErrorInvalidFormName);
    return false;
  }
  forms.erase(it);
  return writeAddedForms(forms);
}

}  // namespace q7310::spooler
