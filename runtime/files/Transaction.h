#pragma once
// Transactions over several keyed files of the calling thread. A file takes part
// either by being named in Begin, or by having its Transaction property set to "1"
// (KeyedFile::SetProperty) before a Begin without a list. Until Commit or Rollback
// every write to a taking-part file is held back from other connections; Commit makes
// them durable file by file, Rollback undoes them all. Each file remains a database of
// its own, so a crash in the middle of Commit may leave the earlier files committed and
// the later ones not.
//
// Thread safety: the state is per thread; a thread has at most one transaction. A
// shared file's connection serves all threads, so the transaction of one thread
// includes writes other threads make to that file meanwhile.
//
// Every call sets the thread's RuntimeError and returns its code.

#include <cstdint>
#include <vector>

namespace runtime::files {

class KeyedFile;

class Transaction {
 public:
  // Begins on every file in `files` (all must be open), waiting at most
  // `timeoutSeconds` for other writers of each. 43 when a file stays busy, 80 when a
  // file's driver has no transactions, 90 when the thread already has a transaction.
  // On failure nothing is left begun.
  static int32_t Begin(int32_t timeoutSeconds, const std::vector<KeyedFile*>& files);
  // Begins on the files whose Transaction property is set on this thread.
  static int32_t Begin(int32_t timeoutSeconds);
  // Commits every file. On a failure the files not yet committed are rolled back and
  // the failure's code is returned. Clears the files' Transaction properties.
  static int32_t Commit();
  // Rolls every file back. Clears the files' Transaction properties.
  static int32_t Rollback();
  // True while the calling thread has a transaction.
  static bool Active();

  // Used by KeyedFile: the property was set or cleared, or the file closes.
  static void Enlist(KeyedFile& file);
  static void Withdraw(KeyedFile& file);
  static bool Enlisted(const KeyedFile& file);
};

}  // namespace runtime::files
