#include "framework/error/BuiltInCatalogue.h"

#include <cstdlib>
#include <string_view>
#include <vector>

namespace framework::error {
namespace {

struct CatalogueRow {
  uint16_t Id;
  uint8_t Severity;
  std::string_view Title;
  std::string_view Text;
};

// In stored order. The texts are the program's own, double spaces and trailing blanks
// included; "|" separates lines when a text is shown.
constexpr CatalogueRow CountedRows[] = {
    {33, 5, "Invalid Key",
     "%File key file is invalid. Key must be rebuilt."},
    {32, 3, "Key was not built",
     "Error: (%ErrorText) repairing key for %File."},
    {12, 3, "File Creation Error",
     "Error: (%ErrorText) creating %File."},
    {30, 5, "Procedure not defined",
     "The Procedure %Message has not been defined."},
    {21, 5, "Range Error",
     "The value of %Field must be lower than %Message."},
    {22, 5, "Range Error",
     "The value of %Field must be higher than %Message."},
    {20, 5, "Range Error",
     "The value of %Field must be in range %Message."},
    {18, 5, "Field contents error",
     "The value of %Field must be found in the %Message file."},
    {37, 5, "Referential Integrity Update Error",
     "This record is referenced from the file %File. Linking field(s) have been restricted from change and have been reset to original values."},
    {36, 5, "Referential Integrity Delete Error",
     "This record is referenced from the file %File. This record cannot be deleted while these references exist."},
    {4, 5, "Record Insert Error",
     "An error was experienced during the creation of a record.|File: %File|Error: %ErrorText."},
    {7, 5, "Record Was Not Updated",
     "This record was changed by another station."},
    {8, 5, "Record Was Not Updated",
     "This record was changed by another station. Those changes will now be displayed. Use the Ditto Button or Ctrl+H to recall your changes."},
    {40, 1, "Record Update Error",
     "An error was experienced changing this record. Do you want to try to save again?"},
    {39, 1, "Record Delete Error",
     "An error was experienced deleting this record. Do you want to try to delete it again?"},
    {25, 5, "Invalid Request",
     "This form cannot be used to insert a record"},
    {44, 5, "Invalid Request",
     "This form cannot be used to update a record"},
    {14, 5, "Invalid Request",
     "This form cannot be used to delete a record"},
    {10, 1, "Changes will be lost!",
     "Are you sure you want to cancel?"},
    {15, 5, "Duplicate Key Error",
     "Adding this record creates a duplicate entry for the key: %Message"},
    {38, 1, "Auto Increment Error",
     "Attempts to automatically number this record have failed.|File: %File|Key: %Key|Error: %ErrorText.|Try Again?"},
    {23, 5, "File Load Error",
     "%File File Load Error.  Error: %ErrorText."},
    {42, 1, "Beginning of File Error",
     "The beginning of the file %File was encountered. Do you want to start again from the end of the file?"},
    {43, 1, "End of File Error",
     "The end of the file %File was encountered. Do you want to start again from the beginning?"},
    {6, 5, "File Access Error",
     "File %File could not be closed.  Error: %ErrorText."},
    {29, 3, "File Access Error",
     "File %File could not be opened.  Error: %ErrorText."},
    {31, 5, "Record was not updated",
     "An error (%ErrorText) was experienced when making changes to the %File file."},
    {13, 5, "Record was not deleted",
     "An error (%ErrorText) was experienced when deleting a record from the %File file."},
    {11, 1, "Confirm Delete",
     "Are you sure you want to delete the highlighted record?"},
    {41, 1, "Save Record",
     "Do you want to save the changes to this record?"},
    {27, 5, "Transaction cancelled",
     "Error: (%ErrorText) attempting to frame the transaction on %File."},
    {1, 5, "Record Retrieval Error",
     "Error: (%ErrorText) attempting to access a record from the %File file.  Returning to previous window."},
    {46, 5, "View Open Error",
     "Error: (%ErrorText) attempting to open the current VIEW. Filter and Range Limits ignored."},
    {3, 1, "Record Added",
     "This record has been added to the file. Do you want to add another record?"},
    {34, 5, "Record not read",
     "A record held by another station was encountered reading from the %File file."},
    {5, 5, "Add New Record?",
     "Record match not found, do you wish to add a new one?"},
    {19, 5, "Value Error",
     "The value of %Field must be in the list : %Message."},
    {28, 5, "No Records",
     "There are no records available to process."},
    {2, 5, "Access Denied",
     "Could not get write access to %File so trying read-only."},
    {45, 2, "File Usage Error",
     "Attempt to use file (%File) before it was opened"},
    {47, 5, "Unsupported QBE Column",
     "The saved QBE column, %Field is not supported. It will be dropped from the query."},
    {48, 5, "SMTP Error",
     "The following SMTP Error occurred: %Message "},
    {49, 5, "NNTP Error",
     "%Message "},
    {50, 5, "Winsock Error",
     "%Message "},
    {52, 3, "WMF Parser Error",
     "The File %File is not a valid WMF file."},
    {24, 3, "WMF Parser Error",
     "Get next record from file %File failed."},
    {54, 3, "WMF Parser Error",
     "Cannot find %Field id. Parsing %File."},
    {53, 3, "WMF Parser Error",
     "Invalid %Field control found. Parsing %File."},
    {51, 3, "WMF Parser Error",
     "Adding record to queue failed. Parsing %File."},
    {55, 5, "Report Writer Error",
     "Poorly Formed Comment String \"%Message\" at Position %Field."},
    {56, 5, "Report Writer Error",
     "Unknown Property %Message."},
    {9, 5, "Record Retrieval Error",
     "This record was changed or deleted by another station.|Error: (%ErrorText) attempting to access a record from the %File file."},
    {26, 3, "Invalid File",
     "%File has an invalid File structure.|Error: %ErrorCode - %Error|FileError: %FileErrorCode - %FileError|"},
    {16, 5, "SQL Execution Error",
     "Executing the SQL command %Message failed.|Error: %ErrorText."},};

// Stored after the counted entries and so never loaded: raising 17 is an unknown id.
constexpr CatalogueRow UncountedRows[] = {
    {17, 5, "SQL Execution Error", "Could not find SQL statement %Message.|Error: %ErrorText."},
};

constexpr size_t MaxTextLength = 255;
constexpr unsigned ByteBits = 8;
constexpr unsigned ByteMask = 0xFF;

void PutText(std::vector<uint8_t>& block, std::string_view text) {
  // The block stores lengths in one byte; a longer text is a mistake in the table above.
  if (text.size() > MaxTextLength) std::abort();
  block.push_back(static_cast<uint8_t>(text.size()));
  block.insert(block.end(), text.begin(), text.end());
}

void PutRow(std::vector<uint8_t>& block, const CatalogueRow& row) {
  block.push_back(static_cast<uint8_t>(row.Id & ByteMask));
  block.push_back(static_cast<uint8_t>(row.Id >> ByteBits));
  block.push_back(row.Severity);
  PutText(block, row.Title);
  PutText(block, row.Text);
}

std::vector<uint8_t> BuildBlock() {
  std::vector<uint8_t> block;
  const auto count = static_cast<uint16_t>(std::size(CountedRows));
  block.push_back(static_cast<uint8_t>(count & ByteMask));
  block.push_back(static_cast<uint8_t>(count >> ByteBits));
  for (const CatalogueRow& row : CountedRows) PutRow(block, row);
  for (const CatalogueRow& row : UncountedRows) PutRow(block, row);
  return block;
}

}  // namespace

std::span<const uint8_t> BuiltInCatalogue::Block() {
  static const std::vector<uint8_t> block = BuildBlock();
  return block;
}

}  // namespace framework::error
