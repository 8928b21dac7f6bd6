#pragma once
// The call-back object of a keyed file: registered with KeyedFile::AddCallback, it is
// told before and after each operation on the file, with the operation's code
// (FileOpcode) and a block describing the call. Calls come on the thread that runs the
// operation, with the file's lock held; a call-back may call the file again (the lock
// is re-entrant) but must not add or remove call-backs of the same file from inside.

#include <cstdint>
#include <string>

namespace runtime::files {

class FileCallback {
 public:
  struct Block {
    // Flags: set by the caller of a Destroy to say the file structure is kept.
    static constexpr uint32_t KeepFlag = 0x01;

    uint32_t Flags = 0;
    // A before-call may set Stop: the operation is then not carried out and fails
    // with the driver error "stopped by the file's call-back".
    bool Stop = false;
    // Marks the first and the last operation of a bracketed group (a view's reads).
    bool Bracket = false;
    // SetProperty: the property number; otherwise 0.
    int32_t Value = 0;
    // A readable text of the call ("NEXT(URL:KEYURL)").
    std::string Text;
  };

  virtual ~FileCallback() = default;
  // Both return a value the file ignores (the framework's hooks answer 1).
  virtual uint8_t BeforeFileOperation(int32_t opcode, Block& block) = 0;
  virtual uint8_t AfterFileOperation(int32_t opcode, Block& block) = 0;
};

}  // namespace runtime::files
