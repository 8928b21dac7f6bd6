// The built-in catalogue, entry by entry, and catalogue maintenance: loading blocks,
// adding, removing and categories.

#include <gtest/gtest.h>

#include <cstdint>
#include <string_view>
#include <vector>

#include "framework/error/BuiltInCatalogue.h"
#include "tests/framework/error/ErrorTestFixture.h"

namespace framework::error::errortest {
namespace {

struct ExpectedEntry {
  int32_t Id;
  int Severity;
  std::string_view Title;
  std::string_view Text;
};

// Typed independently of the program's own table, so a slip in either one shows.
const ExpectedEntry ExpectedCatalogue[] = {
    {33, 5, "Invalid Key", "%File key file is invalid. Key must be rebuilt."},
    {32, 3, "Key was not built", "Error: (%ErrorText) repairing key for %File."},
    {12, 3, "File Creation Error", "Error: (%ErrorText) creating %File."},
    {30, 5, "Procedure not defined", "The Procedure %Message has not been defined."},
    {21, 5, "Range Error", "The value of %Field must be lower than %Message."},
    {22, 5, "Range Error", "The value of %Field must be higher than %Message."},
    {20, 5, "Range Error", "The value of %Field must be in range %Message."},
    {18, 5, "Field contents error", "The value of %Field must be found in the %Message file."},
    {37, 5, "Referential Integrity Update Error", "This record is referenced from the file %File. Linking field(s) have been restricted from change and have been reset to original values."},
    {36, 5, "Referential Integrity Delete Error", "This record is referenced from the file %File. This record cannot be deleted while these references exist."},
    {4, 5, "Record Insert Error", "An error was experienced during the creation of a record.|File: %File|Error: %ErrorText."},
    {7, 5, "Record Was Not Updated", "This record was changed by another station."},
    {8, 5, "Record Was Not Updated", "This record was changed by another station. Those changes will now be displayed. Use the Ditto Button or Ctrl+H to recall your changes."},
    {40, 1, "Record Update Error", "An error was experienced changing this record. Do you want to try to save again?"},
    {39, 1, "Record Delete Error", "An error was experienced deleting this record. Do you want to try to delete it again?"},
    {25, 5, "Invalid Request", "This form cannot be used to insert a record"},
    {44, 5, "Invalid Request", "This form cannot be used to update a record"},
    {14, 5, "Invalid Request", "This form cannot be used to delete a record"},
    {10, 1, "Changes will be lost!", "Are you sure you want to cancel?"},
    {15, 5, "Duplicate Key Error", "Adding this record creates a duplicate entry for the key: %Message"},
    {38, 1, "Auto Increment Error", "Attempts to automatically number this record have failed.|File: %File|Key: %Key|Error: %ErrorText.|Try Again?"},
    {23, 5, "File Load Error", "%File File Load Error.  Error: %ErrorText."},
    {42, 1, "Beginning of File Error", "The beginning of the file %File was encountered. Do you want to start again from the end of the file?"},
    {43, 1, "End of File Error", "The end of the file %File was encountered. Do you want to start again from the beginning?"},
    {6, 5, "File Access Error", "File %File could not be closed.  Error: %ErrorText."},
    {29, 3, "File Access Error", "File %File could not be opened.  Error: %ErrorText."},
    {31, 5, "Record was not updated", "An error (%ErrorText) was experienced when making changes to the %File file."},
    {13, 5, "Record was not deleted", "An error (%ErrorText) was experienced when deleting a record from the %File file."},
    {11, 1, "Confirm Delete", "Are you sure you want to delete the highlighted record?"},
    {41, 1, "Save Record", "Do you want to save the changes to this record?"},
    {27, 5, "Transaction cancelled", "Error: (%ErrorText) attempting to frame the transaction on %File."},
    {1, 5, "Record Retrieval Error", "Error: (%ErrorText) attempting to access a record from the %File file.  Returning to previous window."},
    {46, 5, "View Open Error", "Error: (%ErrorText) attempting to open the current VIEW. Filter and Range Limits ignored."},
    {3, 1, "Record Added", "This record has been added to the file. Do you want to add another record?"},
    {34, 5, "Record not read", "A record held by another station was encountered reading from the %File file."},
    {5, 5, "Add New Record?", "Record match not found, do you wish to add a new one?"},
    {19, 5, "Value Error", "The value of %Field must be in the list : %Message."},
    {28, 5, "No Records", "There are no records available to process."},
    {2, 5, "Access Denied", "Could not get write access to %File so trying read-only."},
    {45, 2, "File Usage Error", "Attempt to use file (%File) before it was opened"},
    {47, 5, "Unsupported QBE Column", "The saved QBE column, %Field is not supported. It will be dropped from the query."},
    {48, 5, "SMTP Error", "The following SMTP Error occurred: %Message "},
    {49, 5, "NNTP Error", "%Message "},
    {50, 5, "Winsock Error", "%Message "},
    {52, 3, "WMF Parser Error", "The File %File is not a valid WMF file."},
    {24, 3, "WMF Parser Error", "Get next record from file %File failed."},
    {54, 3, "WMF Parser Error", "Cannot find %Field id. Parsing %File."},
    {53, 3, "WMF Parser Error", "Invalid %Field control found. Parsing %File."},
    {51, 3, "WMF Parser Error", "Adding record to queue failed. Parsing %File."},
    {55, 5, "Report Writer Error", "Poorly Formed Comment String \"%Message\" at Position %Field."},
    {56, 5, "Report Writer Error", "Unknown Property %Message."},
    {9, 5, "Record Retrieval Error", "This record was changed or deleted by another station.|Error: (%ErrorText) attempting to access a record from the %File file."},
    {26, 3, "Invalid File", "%File has an invalid File structure.|Error: %ErrorCode - %Error|FileError: %FileErrorCode - %FileError|"},
    {16, 5, "SQL Execution Error", "Executing the SQL command %Message failed.|Error: %ErrorText."},
};

using CatalogueTest = ErrorManagerFixture;

TEST_F(CatalogueTest, BuiltInEntriesAreExactlyTheListInStoredOrder) {
  const std::vector<ErrorEntry>& loaded = Manager.Errors;
  ASSERT_EQ(loaded.size(), std::size(ExpectedCatalogue));
  for (size_t i = 0; i < loaded.size(); ++i) {
    const ExpectedEntry& want = ExpectedCatalogue[i];
    SCOPED_TRACE(::testing::Message() << "entry " << i << ", id " << want.Id);
    EXPECT_EQ(loaded[i].Id, want.Id);
    EXPECT_EQ(loaded[i].Fatality, want.Severity);
    EXPECT_EQ(loaded[i].Title, want.Title);
    EXPECT_EQ(loaded[i].Message, want.Text);
    EXPECT_EQ(loaded[i].Category, "");
  }
}

TEST_F(CatalogueTest, EachIdBecomesCurrentWithItsOwnTitleTextAndSeverity) {
  for (const ExpectedEntry& want : ExpectedCatalogue) {
    Manager.SetCurrentError(want.Id);
    ErrorEntry current = Manager.CurrentError();
    EXPECT_EQ(current.Id, want.Id);
    EXPECT_EQ(current.Title, want.Title) << want.Id;
    EXPECT_EQ(current.Message, want.Text) << want.Id;
    EXPECT_EQ(current.Fatality, want.Severity) << want.Id;
  }
}

TEST_F(CatalogueTest, BlockCountLeavesOutTheTrailingSqlStatementEntry) {
  std::span<const uint8_t> block = BuiltInCatalogue::Block();
  ASSERT_GE(block.size(), 2u);
  EXPECT_EQ(block[0] | (block[1] << 8), static_cast<int>(std::size(ExpectedCatalogue)));

  EXPECT_EQ(Manager.HandleError(17), LevelQuiet);
  EXPECT_EQ(Manager.GetErrorId(), 0);
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(CatalogueTest, UnknownIdIsQuietAndClearsTheCurrentError) {
  Manager.SetCurrentError(33);
  EXPECT_EQ(Manager.HandleError(999), LevelQuiet);
  ErrorEntry current = Manager.CurrentError();
  EXPECT_EQ(current.Id, 0);
  EXPECT_EQ(current.Title, "");
  EXPECT_EQ(current.Message, "");
  EXPECT_TRUE(Boxes().empty());
}

TEST_F(CatalogueTest, AddedEntryHidesTheOlderOneAndRemovingItUncoversIt) {
  Manager.AddCatalogueEntry(14, "Deleting is not allowed here", "Custom Title", LevelNotice);
  Manager.SetCurrentError(14);
  EXPECT_EQ(Manager.CurrentError().Title, "Custom Title");

  Manager.RemoveCatalogueEntry(14);
  Manager.SetCurrentError(14);
  EXPECT_EQ(Manager.CurrentError().Message, "This form cannot be used to delete a record");

  Manager.RemoveCatalogueEntry(14);
  Manager.SetCurrentError(14);
  EXPECT_EQ(Manager.CurrentError().Id, 0) << "the last entry for 14 is gone";
  Manager.RemoveCatalogueEntry(14);  // nothing left to remove: no effect
}

TEST_F(CatalogueTest, LookupMatchesTheLow16BitsOfTheId) {
  Manager.SetCurrentError(0x10000 + 33);
  EXPECT_EQ(Manager.CurrentError().Title, "Invalid Key");
}

TEST_F(CatalogueTest, ExtraBlockAppendsAndHides) {
  const uint8_t block[] = {1, 0, 33, 0, 5, 2, 'T', '1', 3, 'a', 'b', 'c'};
  EXPECT_EQ(Manager.LoadCatalogueBlock(block), LevelQuiet);
  Manager.SetCurrentError(33);
  EXPECT_EQ(Manager.CurrentError().Title, "T1");
  EXPECT_EQ(Manager.CurrentError().Message, "abc");
}

TEST_F(CatalogueTest, TruncatedBlockIsRefusedWhole) {
  const size_t before = Manager.Errors.size();
  const std::vector<std::vector<uint8_t>> broken = {
      {},
      {2},
      {1, 0, 60, 0},                          // ends inside the header of an entry
      {1, 0, 60, 0, 5, 9, 'T'},                // title shorter than its length
      {2, 0, 60, 0, 5, 1, 'T', 1, 'x'},        // second counted entry missing
  };
  for (const auto& block : broken) {
    EXPECT_EQ(Manager.LoadCatalogueBlock(block), LevelNotice) << block.size();
  }
  EXPECT_EQ(Manager.Errors.size(), before);
  Manager.SetCurrentError(60);
  EXPECT_EQ(Manager.CurrentError().Id, 0);
}

TEST_F(CatalogueTest, AttachingAnotherLogKeepsEntriesAddedSince) {
  Manager.AddCatalogueEntry(33, "mine", "Mine", LevelNotice);
  const size_t before = Manager.Errors.size();
  Manager.AttachLog(nullptr);
  EXPECT_EQ(Manager.Errors.size(), before);
  Manager.SetCurrentError(33);
  EXPECT_EQ(Manager.CurrentError().Title, "Mine");
}

TEST_F(CatalogueTest, Categories) {
  EXPECT_EQ(Manager.GetCategory(33), "Kel");
  EXPECT_EQ(Manager.GetCategory(-1), "Kel");
  EXPECT_EQ(Manager.GetCategory(12345), "Kel");

  Manager.SetCategory(33, "Keys");
  EXPECT_EQ(Manager.GetCategory(33), "Keys");
  EXPECT_EQ(Manager.GetCategory(32), "Kel");

  Manager.SetCategory(-1, "Url");
  EXPECT_EQ(Manager.GetDefaultCategory(), "Url");
  EXPECT_EQ(Manager.GetCategory(32), "Url");
  EXPECT_EQ(Manager.GetCategory(33), "Keys");

  // The category belongs to the newest entry of the id: a newer entry starts without one.
  Manager.AddCatalogueEntry(33, "m", "t", LevelNotice);
  EXPECT_EQ(Manager.GetCategory(33), "Url");
  Manager.RemoveCatalogueEntry(33);
  EXPECT_EQ(Manager.GetCategory(33), "Keys");
}

}  // namespace
}  // namespace framework::error::errortest
