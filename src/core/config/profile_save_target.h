// The file a save dialog's answer names for a profile file: Export and the
// profile manager's Add both write there.
#pragma once

#include <functional>
#include <string>
#include <string_view>

namespace quorvane {

inline constexpr std::string_view kProfileFileExtension = ".fwc";

// `chosen` with ".fwc" added when its file name has no extension of its own.
// Only the file name counts: a dot in a folder ("/home/jane.doe/backup") or a
// leading dot of a hidden name (".backup") is no extension.
std::string withProfileExtension(std::string_view chosen);

// The file to write for the save dialog's answer `chosen`: withProfileExtension,
// and when that file exists already, `askReplace` is asked with its path (the
// dialog's own question saw only the name as typed). Empty when `chosen` is
// empty or the user keeps the existing file.
std::string confirmProfileSaveTarget(std::string_view chosen,
                                     const std::function<bool(const std::string&)>& askReplace);

}  // namespace quorvane
