// The print spooler of the emulated machine, as Windows 95, 98 and Me keep
// it: each printer is a key under
// [HKEY_LOCAL_MACHINE\System\CurrentControlSet\Control\Print\Printers], with
// its port in "Port", its attributes in the dword "Attributes" and its two
// time-outs in the dwords "dnsTimeout" and "txTimeout".
#include "platform/spooler.h"

#include <cstring>
#include <string>
#include <vector>

#include "platform/emulated/machine.h"

namespace dorvix {

struct SpoolerPrinter {
  std::string key_path;
};

namespace {

uint32_t DwordOf(const emulated::RegKey& key, const char* name) {
  const emulated::RegValue* value = key.FindValue(name);
  if (value == nullptr || value->type != emulated::kTypeDword || value->data.size() != 4) {
    return 0;
  }
  uint32_t number = 0;
  for (int i = 3; i >= 0; --i) {
    number = number << 8 | static_cast<unsigned char>(value->data[static_cast<size_t>(i)]);
  }
  return number;
}

std::string StringOf(const emulated::RegKey& key, const char* name) {
  const emulated::RegValue* value = key.FindValue(name);
  if (value == nullptr) return std::string();
  return value->data.substr(0, value->data.find('\0'));
}

std::string DwordData(uint32_t number) {
  std::string data;
  for (int i = 0; i < 4; ++i) data += static_cast<char>(number >> (8 * i) & 0xFF);
  return data;
}

const emulated::RegKey* PrinterKey(PrinterHandle handle) {
  return emulated::Registry().FindKey(handle->key_path);
}

}  // namespace

bool OpenSpoolerPrinter(const char* name, PrinterHandle* handle) {
  emulated::TraceCall(std::string("OpenPrinterA(") + name + ")");
  if (emulated::CallFails("OpenPrinterA")) return false;
  const emulated::RegKey* printers = emulated::Registry().FindKey(emulated::kPrintersKey);
  const emulated::RegKey* printer =
      printers != nullptr && name[0] != '\0' && std::strchr(name, '\\') == nullptr
          ? printers->FindSubkey(name)
          : nullptr;
  if (printer == nullptr) return false;
  *handle = new SpoolerPrinter{std::string(emulated::kPrintersKey) + "\\" + printer->name};
  return true;
}

bool GetSpoolerPrinter(PrinterHandle handle, uint32_t level, unsigned char* buffer,
                       uint32_t size, uint32_t* needed) {
  emulated::TraceCall("GetPrinterA(level " + std::to_string(level) + ", size " +
                      std::to_string(size) + ")");
  const bool size_query = buffer == nullptr;
  if (emulated::CallFails(size_query ? "GetPrinterA size query" : "GetPrinterA read")) {
    *needed = 0;
    return false;
  }
  const emulated::RegKey* printer = PrinterKey(handle);
  if (printer == nullptr || level != 5) return false;
  const std::string name = printer->name;
  const std::string port = StringOf(*printer, "Port");
  const size_t total = sizeof(PrinterInfo5) + name.size() + 1 + port.size() + 1;
  *needed = static_cast<uint32_t>(total);
  if (buffer == nullptr || size < total) return false;

  char* strings = reinterpret_cast<char*>(buffer) + sizeof(PrinterInfo5);
  PrinterInfo5 record;
  record.printer_name = strings;
  std::memcpy(strings, name.c_str(), name.size() + 1);
  record.port_name = strings + name.size() + 1;
  std::memcpy(record.port_name, port.c_str(), port.size() + 1);
  record.attributes = DwordOf(*printer, "Attributes");
  record.device_not_selected_timeout = DwordOf(*printer, "dnsTimeout");
  record.transmission_retry_timeout = DwordOf(*printer, "txTimeout");
  std::memcpy(buffer, &record, sizeof record);
  return true;
}

bool SetSpoolerPrinter(PrinterHandle handle, uint32_t level, unsigned char* buffer,
                       uint32_t command) {
  PrinterInfo5 record;
  std::memcpy(&record, buffer, sizeof record);
  emulated::TraceCall("SetPrinterA(level " + std::to_string(level) + ", command " +
                      std::to_string(command) + ", attributes " +
                      std::to_string(record.attributes) + ")");
  if (emulated::CallFails("SetPrinterA")) return false;
  if (PrinterKey(handle) == nullptr || level != 5) return false;

  // The spooler keeps one default printer: making this one the default
  // takes the attribute from every other. Which others hold it is read from
  // the registry as the change is made, so that switches made at once by
  // several processes leave one default printer, not several.
  const std::string& key_path = handle->key_path;
  return emulated::CommitRegistryChange([&](const emulated::RegFile& current,
                                            std::vector<emulated::ValueEdit>* edits) {
    const emulated::RegKey* printer = current.FindKey(key_path);
    if (printer == nullptr) return false;  // deleted since it was opened
    edits->push_back(emulated::ValueEdit{key_path, "Attributes", emulated::kTypeDword,
                                         DwordData(record.attributes)});
    if ((record.attributes & kPrinterAttributeDefault) == 0) return true;
    for (const auto& other : current.FindKey(emulated::kPrintersKey)->subkeys) {
      if (other.get() == printer) continue;
      const uint32_t attributes = DwordOf(*other, "Attributes");
      if ((attributes & kPrinterAttributeDefault) == 0) continue;
      edits->push_back(emulated::ValueEdit{std::string(emulated::kPrintersKey) + "\\" + other->name,
                                           "Attributes", emulated::kTypeDword,
                                           DwordData(attributes & ~kPrinterAttributeDefault)});
    }
    return true;
  });
}

bool CloseSpoolerPrinter(PrinterHandle handle) {
  emulated::TraceCall("ClosePrinter");
  delete handle;
  return true;
}

}  // namespace dorvix
