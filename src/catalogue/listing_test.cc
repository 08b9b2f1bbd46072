#include "catalogue/listing.h"

#include <gtest/gtest.h>

#include "catalogue/catalogue.h"
#include "platform/emulated/machine.h"
#include "platform/failure.h"
#include "test_machine.h"

namespace dorvix {
namespace {

const std::string kHeader = "\r\nNo: Printer Name\r\n" + std::string(80, '-');

class ListingTest : public MachineTest {
 protected:
  void List(const std::vector<std::string>& names) {
    PrinterNames = names;
    PrinterCount = static_cast<int32_t>(names.size());
    ListPrinters();
  }
  CatalogueLifetime lifetime_;
};

TEST_F(ListingTest, AnEmptyCatalogueIsTheHeaderAlone) {
  List({});
  EXPECT_EQ(output_, kHeader);
  EXPECT_EQ(output_.size(), 100u);
}

TEST_F(ListingTest, NumbersEveryEntryAndSkipsTheRenderingSubsystem) {
  List({"Alpha", "Rendering Subsystem", "", "RENDERING subsystem",
        "Rendering Subsystem ", "Caf\xe9 \x80"});
  EXPECT_EQ(output_, kHeader +
                         " 0: Alpha\r\n"
                         " 2: \r\n"
                         " 4: Rendering Subsystem \r\n"
                         " 5: Caf\xe9 \x80\r\n");
}

TEST_F(ListingTest, WritesIndexesWithAsManyDigitsAsTheyNeed) {
  List(std::vector<std::string>(11, "P"));
  EXPECT_NE(output_.find(" 9: P\r\n 10: P\r\n"), std::string::npos);
}

TEST_F(ListingTest, StopsAtTheFirstFailedWrite) {
  emulated::FailStandardOutputAfter(100 + 11);  // the header and " 0: Alpha\r\n"
  EXPECT_THROW(List({"Alpha", "Beta", "Gamma"}), PlatformFailure);
  EXPECT_EQ(output_, kHeader + " 0: Alpha\r\n");
}

}  // namespace
}  // namespace dorvix
