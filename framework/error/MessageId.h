#pragma once
// The ids of the catalogue messages the program raises (their texts are in
// BuiltInCatalogue.cpp). Every id the code names is named here, once, so two classes
// cannot give one message two numbers. Constants only.

#include <cstdint>

namespace framework::error {

struct MessageId {
  static constexpr int32_t RecordRetrieval = 1;        // "Record Retrieval Error"
  static constexpr int32_t AccessDenied = 2;           // "Access Denied": trying read-only
  static constexpr int32_t RecordAdded = 3;            // "Do you want to add another record?"
  static constexpr int32_t RecordInsert = 4;           // "Record Insert Error"
  static constexpr int32_t ChangedElsewhere = 7;       // "Record Was Not Updated"
  static constexpr int32_t ChangedElsewhereShown = 8;  // the same, with the changes shown
  static constexpr int32_t RecordLost = 9;             // the selected record vanished or changed
  static constexpr int32_t ChangesLost = 10;           // "Are you sure you want to cancel?"
  static constexpr int32_t ConfirmDelete = 11;         // "Confirm Delete"
  static constexpr int32_t FileCreation = 12;          // "File Creation Error"
  static constexpr int32_t RecordNotDeleted = 13;      // "Record was not deleted"
  static constexpr int32_t DeleteRefused = 14;         // "This form cannot be used to delete a record"
  static constexpr int32_t DuplicateKey = 15;          // "Duplicate Key Error"
  static constexpr int32_t Range = 20;                 // "The value of %Field must be in range %Message."
  static constexpr int32_t InvalidFile = 26;           // "Invalid File"
  static constexpr int32_t TransactionCancelled = 27;  // "Transaction cancelled"
  static constexpr int32_t FileAccess = 29;            // "File Access Error": could not be opened
  static constexpr int32_t RecordNotUpdated = 31;      // "Record was not updated"
  static constexpr int32_t KeyNotBuilt = 32;           // "Key was not built"
  static constexpr int32_t InvalidKey = 33;            // "Invalid Key"
  static constexpr int32_t RecordNotRead = 34;         // "Record not read": held elsewhere
  static constexpr int32_t IntegrityDelete = 36;       // "Referential Integrity Delete Error"
  static constexpr int32_t IntegrityUpdate = 37;       // "Referential Integrity Update Error"
  static constexpr int32_t AutoIncrement = 38;         // "Auto Increment Error"
  static constexpr int32_t RecordDelete = 39;          // "Record Delete Error": try again?
  static constexpr int32_t RecordUpdate = 40;          // "Record Update Error": try again?
  static constexpr int32_t SaveRecord = 41;            // "Do you want to save the changes to this record?"
  static constexpr int32_t FileUsage = 45;             // "File Usage Error": used before opened
  static constexpr int32_t ViewOpen = 46;              // "View Open Error"
  static constexpr int32_t UnsupportedColumn = 47;     // "Unsupported QBE Column"
};

}  // namespace framework::error
