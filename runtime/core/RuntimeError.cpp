#include "runtime/core/RuntimeError.h"

#include <cerrno>
#include <system_error>

#include "runtime/core/PerThread.h"
#include "runtime/core/RuntimeErrorCode.h"

namespace runtime::core {
namespace {

PerThread<RuntimeErrorState> State;

}  // namespace

void RuntimeError::Set(int32_t code) { Set(code, StandardText(code)); }

void RuntimeError::Set(int32_t code, const std::string& text) {
  RuntimeErrorState& s = State.Get();
  s.Code = code;
  s.Text = text;
}

void RuntimeError::SetFile(const std::string& fileCode, const std::string& fileText) {
  RuntimeErrorState& s = State.Get();
  s.FileCode = fileCode;
  s.FileText = fileText;
}

void RuntimeError::SetSystem(int error) {
  switch (error) {
    case ENOENT:
    case ENOTDIR:
      Set(RuntimeErrorCode::NotFound);
      break;
    case EACCES:
    case EPERM:
    case EROFS:
      Set(RuntimeErrorCode::AccessDenied);
      break;
    default:
      Set(RuntimeErrorCode::DriverError);
      SetFile(std::to_string(error), std::generic_category().message(error));
      break;
  }
}

// Every successful call clears: the texts are emptied in place rather than rebuilt.
void RuntimeError::Clear() {
  RuntimeErrorState& s = State.Get();
  s.Code = 0;
  s.Text.clear();
  if (s.FileCode.size() != 1 || s.FileCode[0] != '0') s.FileCode = "0";
  s.FileText.clear();
}

int32_t RuntimeError::Code() { return State.Get().Code; }
std::string RuntimeError::Text() { return State.Get().Text; }
std::string RuntimeError::FileCode() { return State.Get().FileCode; }
std::string RuntimeError::FileText() { return State.Get().FileText; }
RuntimeErrorState RuntimeError::Snapshot() { return State.Get(); }
void RuntimeError::Restore(const RuntimeErrorState& state) { State.Get() = state; }

std::string RuntimeError::StandardText(int32_t code) {
  using C = RuntimeErrorCode;
  switch (code) {
    case C::NoError: return "";
    case C::NotFound: return "No Record Found";
    case C::AccessDenied: return "Access Denied";
    case C::RecordNotAvailable: return "Record Not Available";
    case C::DuplicateKey: return "Creates Duplicate Key";
    case C::RecordHeld: return "Record Is Already Held";
    case C::FileNotOpen: return "File Not Open";
    case C::KeyFileInvalid: return "Invalid Key File";
    case C::InvalidFileStructure: return "Invalid Record Declaration";
    case C::AlreadyOpen: return "File Already Open";
    case C::NotSupported: return "Function Not Supported";
    case C::RecordChanged: return "Record Changed By Another Station";
    case C::DriverError: return "File System Error";
    case C::DriverErrorAlt: return "File System Error";
    case C::ThreadInitReentered: return "Thread Initialisation Re-entered";
    case C::ThreadNotStarted: return "Thread Could Not Be Started";
    default: return "Error " + std::to_string(code);
  }
}

}  // namespace runtime::core
