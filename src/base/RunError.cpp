#include "base/RunError.h"

#include <cerrno>

namespace vd {

std::string ErrorText(int number) {
    switch (number) {
    case Err::InvalidCall: return "Invalid procedure call or argument";
    case Err::Overflow: return "Overflow";
    case Err::OutOfMemory: return "Out of memory";
    case Err::Subscript: return "Subscript out of range";
    case Err::TypeMismatch: return "Type mismatch";
    case Err::Internal: return "Internal error";
    case Err::FileNotFound: return "File not found";
    case Err::PermissionDenied: return "Permission denied";
    case Err::PathFileAccess: return "Path/File access error";
    case Err::PathNotFound: return "Path not found";
    default: return "";
    }
}

RunError::RunError(int number, const std::string& text)
    : std::runtime_error(text), Number(number), Text(text) {}

RunError::RunError(int number) : RunError(number, ErrorText(number)) {}

void Raise(int number) { throw RunError(number); }
void Raise(int number, const std::string& text) { throw RunError(number, text); }

RunError FileError(int errnum, bool folderMissing) {
    switch (errnum) {
    case ENOENT: return RunError(folderMissing ? Err::PathNotFound : Err::FileNotFound);
    case ENOTDIR: return RunError(Err::PathNotFound);
    case EACCES:
    case EPERM:
    case EROFS: return RunError(Err::PermissionDenied);
    default: return RunError(Err::PathFileAccess);
    }
}

DbError::DbError(long native, std::string state, std::string message, bool shown)
    : RunError(static_cast<int>(native), state + message),
      Native(native),
      State(std::move(state)),
      Message(std::move(message)),
      Shown(shown),
      NumberText((native >= 0 ? " " : "") + std::to_string(native)) {}

DbError::DbError(std::string sentence) : RunError(0, sentence), Message(std::move(sentence)) {}

void EndRun(int status) { throw RunFinished{status}; }

}  // namespace vd
