// Replacing a file so that a crash at any moment leaves either the old
// content or the new one under its name, never a torn or empty file.
#pragma once

#include <string>
#include <string_view>

namespace abacine::platform {

// Writes `data` to a new file beside `path` (a unique temporary name in the
// same folder), fsyncs it, renames it over `path` and fsyncs the folder.
// Only a regular file or a missing path is replaced; a symlink is followed
// to the regular file it names. Anything else (a device node, a folder, a
// dangling or looping link) is refused and left as it is. On failure the old
// file is untouched, the temporary file is removed, false is returned and
// *error (when given) says why in words that name the path.
bool WriteFileAtomically(const std::string& path, std::string_view data,
                         std::string* error = nullptr);

// Whether `name` (a file name without its folder) is one of the temporary
// files that saves of a file named `base` make beside it.
bool IsTemporaryOf(std::string_view name, std::string_view base);

// Removes the temporary files that saves of `path` killed before their
// rename left behind, once they are older than `minAgeSeconds` (a younger
// one may belong to a save still under way). Returns how many it removed.
int RemoveStaleTemporaries(const std::string& path, int minAgeSeconds);

// The file `path` should be read from and written to: `path` itself, or the
// target of a symlink chain. False with *error when `path` is neither missing
// nor (a link to) a regular file.
bool ResolveRegularFileTarget(const std::string& path, std::string* target,
                              std::string* error = nullptr);

}  // namespace abacine::platform
