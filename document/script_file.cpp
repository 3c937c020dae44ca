// The sentences for errno values, shared by every platform's file unit.

#include <cerrno>
#include <cstring>
#include <string>

#include "document/script_file.h"
#include "document/script_file_internal.h"

namespace vorrik {

std::string FailureReason(int error, FileOperation operation) {
  const bool reading = operation == FileOperation::Reading;
  switch (error) {
    case ENOSPC:
      return "The disk is full.";
#ifdef EDQUOT
    case EDQUOT:
      return "The disk is full: your quota on it is used up.";
#endif
    case EACCES:
    case EPERM:
      return reading ? "You are not allowed to read the file or to open its folder."
                     : "The file or its folder is read-only, or you are not allowed to change it.";
    case EROFS:
      return "The disk is read-only.";
    case ENAMETOOLONG:
      return "The file name or its path is too long.";
    case EISDIR:
      return script_file::kFolder;
    case ENOENT:
      return reading ? "The file does not exist." : "The folder it should go in does not exist.";
    case ENOTDIR:
      return reading ? "The folder it should be in does not exist." : "The folder it should go in does not exist.";
    case EIO:
      return reading ? "The disk reported an error while the file was being read."
                     : "The disk reported an error while the file was being written.";
    case EMFILE:
    case ENFILE:
      return "Too many files are open at once; close some and try again.";
    case ELOOP:
      return "The path holds a loop of symbolic links, or too many of them.";
    default:
      return "The system refused it: " + std::string(std::strerror(error)) + " (error " + std::to_string(error) +
             ").";
  }
}

}  // namespace vorrik
