#pragma once
// Where the names given to the file-name settings land: below the data root, the same name always the
// same file; and the folder such a file goes into, made when the file is written.
#include <optional>
#include <string>
#include <string_view>

namespace vt {

// A name given to a file-name setting. A relative name is taken below folder, the setting's own folder
// in the data root (never the folder of an earlier name), so a script that sends its name at every run
// writes the same file each time; an absolute name stands as given. Answers nothing for a name without
// a base name ("", "/", ".", "dir/", "dir/..") and for a relative one whose ".." leaves root (an empty
// root bounds nothing).
std::optional<std::string> PlaceFileName(std::string_view text, const std::string& folder, const std::string& root);

// Before a file is written: its folder is made when it lies below root, where the names of the settings
// land; a folder elsewhere is the user's to make. A folder that cannot be made is left to the write,
// which then fails and says so.
void MakeFolderBelowRoot(const std::string& path, const std::string& root);

}  // namespace vt
