#pragma once

// What the platform files of the script file unit share: the sentences that
// are no error code's.

namespace vorrik::script_file {

inline constexpr const char* kFolder = "It is a folder, not a file.";
inline constexpr const char* kNotAFile = "It is a device or a pipe, not a file.";
inline constexpr const char* kTooLarge = "The file is larger than 64 MiB, far more than a COG script can be.";

}  // namespace vorrik::script_file
