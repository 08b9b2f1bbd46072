// A fuzzed registry on either Windows family: the catalogue loaded from it,
// the listing printed from it, and a switch to one of its printers.
//
// The first byte chooses the family (bit 0 set: Windows 98); the rest is
// REGEDIT4 text that follows the family's printer key, so that it lands
// among the printers but may open any other key too.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "catalogue/catalogue.h"
#include "catalogue/listing.h"
#include "platform/emulated/code_page.h"
#include "platform/emulated/machine.h"
#include "platform/version.h"
#include "property.h"
#include "switch/default_printer.h"

namespace {

namespace emulated = dorvix::emulated;

using emulated::kDevicesKey;
using emulated::kPrintersKey;
using emulated::kWindowsKey;

struct Catalogue {
  std::vector<std::string> names;
  std::vector<std::string> entries;
};

// The printers as the registry's tree holds them, within the limits of
// the loading buffers: names of up to 99 bytes, entries of up to 253 bytes
// and a NUL; on Windows 95/98/Me the list ends at the first longer name.
Catalogue FromTree(bool nt) {
  Catalogue catalogue;
  const emulated::RegKey* key = emulated::Registry().FindKey(nt ? kDevicesKey : kPrintersKey);
  if (key == nullptr) return catalogue;
  if (nt) {
    for (const emulated::RegValue& value : key->values) {
      if (value.type != emulated::kTypeString || value.name.size() > 99 ||
          value.data.size() > 254) {
        continue;
      }
      catalogue.names.push_back(value.name);
      catalogue.entries.push_back(value.data.substr(0, value.data.find('\0')));
    }
  } else {
    for (const auto& subkey : key->subkeys) {
      if (subkey->name.size() > 99) break;
      catalogue.names.push_back(subkey->name);
    }
  }
  return catalogue;
}

bool IsExcluded(const std::string& name) {
  return emulated::NameKey(name) == "RENDERING SUBSYSTEM";
}

uint32_t Attributes(const std::string& printer) {
  const emulated::RegKey* key = emulated::Registry().FindKey(std::string(kPrintersKey) + "\\" + printer);
  const emulated::RegValue* value = key ? key->FindValue("Attributes") : nullptr;
  if (value == nullptr || value->type != emulated::kTypeDword || value->data.size() != 4) return 0;
  return static_cast<unsigned char>(value->data[0]);  // the default bit is in the low byte
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const bool nt = (data[0] & 1) == 0;
  const std::string body(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::string text = "REGEDIT4\r\n\r\n";
  if (!nt) text += "[HKEY_CURRENT_USER\\Software\\Wine]\r\n\"Version\"=\"win98\"\r\n\r\n";
  text += std::string("[") + (nt ? kDevicesKey : kPrintersKey) + "]\r\n" + body;

  emulated::ResetMachine();
  std::string output;
  emulated::CaptureStandardOutput(&output);
  try {
    emulated::LoadRegistryText(text);
  } catch (const emulated::RegFileError&) {
    emulated::CaptureStandardOutput(nullptr);
    return 0;
  }
  // The body may have set another family.
  const bool nt_family = dorvix::IsNtFamily();
  const Catalogue expected = FromTree(nt_family);
  {
    dorvix::CatalogueLifetime lifetime;
    dorvix::LoadPrinterCatalogue();
    DORVIX_REQUIRE(dorvix::PrinterCount == static_cast<int32_t>(dorvix::PrinterNames.size()));
    DORVIX_REQUIRE(dorvix::PrinterNames == expected.names);
    if (nt_family) {
      DORVIX_REQUIRE(dorvix::DeviceEntries.size() == dorvix::PrinterNames.size());
      DORVIX_REQUIRE(dorvix::DeviceEntries == expected.entries);
    } else {
      DORVIX_REQUIRE(dorvix::DeviceEntries.empty());
    }

    // The listing: every entry but the excluded one, by its index.
    dorvix::ListPrinters();
    std::string listing = "\r\nNo: Printer Name\r\n" + std::string(80, '-');
    for (size_t i = 0; i < expected.names.size(); ++i) {
      if (IsExcluded(expected.names[i])) continue;
      listing += " " + std::to_string(i) + ": " + expected.names[i] + "\r\n";
    }
    DORVIX_REQUIRE(output == listing);
  }
  DORVIX_REQUIRE(dorvix::PrinterNames.empty() && dorvix::DeviceEntries.empty());

  // A switch to the printer that the input's last byte picks; a name with a
  // double quote cannot be typed on a command line.
  if (!expected.names.empty()) {
    const size_t pick = data[size - 1] % expected.names.size();
    const std::string target = expected.names[pick];
    if (target.find('"') == std::string::npos) {
      emulated::SetCommandLine("dorvix /s \"" + target + "\"");
      output.clear();
      {
        dorvix::CatalogueLifetime lifetime;
        dorvix::LoadPrinterCatalogue();
        dorvix::SetDefaultPrinter();
      }
      // Every printer of that name is switched, the last one wins.
      std::string report;
      size_t last = pick;
      for (size_t i = 0; i < expected.names.size(); ++i) {
        if (emulated::NameKey(expected.names[i]) != emulated::NameKey(target)) continue;
        report += "Default printer successfully changed.\r\n";
        last = i;
      }
      DORVIX_REQUIRE(output == report);
      if (nt_family) {
        const emulated::RegKey* windows = emulated::Registry().FindKey(kWindowsKey);
        const emulated::RegValue* device = windows ? windows->FindValue("device") : nullptr;
        DORVIX_REQUIRE(device != nullptr && device->type == emulated::kTypeString);
        DORVIX_REQUIRE(device->data ==
                       expected.names[last] + "," + expected.entries[last] + '\0');
      } else {
        for (size_t i = 0; i < expected.names.size(); ++i) {
          DORVIX_REQUIRE(((Attributes(expected.names[i]) & 4) != 0) == (i == last));
        }
      }
      // The switch changes no printer.
      const Catalogue after = FromTree(nt_family);
      DORVIX_REQUIRE(after.names == expected.names);
      DORVIX_REQUIRE(after.entries == expected.entries);
    }
  }
  emulated::CaptureStandardOutput(nullptr);
  return 0;
}
