// File-system paths the way the loader uses them: folder texts end with a
// separator, the program folder is the executable's folder, and the per-user
// data folder follows the XDG rules off Windows. Also the one helper that
// creates a folder with all its missing levels.
#pragma once

#include <string>

namespace velmar::platform {

// Folder of the running executable, ending with a separator.
std::string ExecutableFolder();
// Full path of the running executable.
std::string ExecutablePath();

// The per-user application-data folder: $XDG_DATA_HOME, else ~/.local/share,
// ending with a separator.
std::string UserDataFolder();

// Ensures `folder` ends with the platform separator (empty stays empty).
std::string WithSeparator(std::string folder);

// Creates `folder` and every missing level above it. True when the folder
// exists afterwards; otherwise `error` says why.
bool EnsureFolder(const std::string& folder, std::string* error = nullptr);
// The same for the working folder: a folder it has to make is private to
// the user (0700), as the program's own files in it are.
bool EnsurePrivateFolder(const std::string& folder, std::string* error = nullptr);
// A warning naming `folder` when other users may write into it (and so
// plant files or links at the names the program writes there); empty when
// it is private enough or does not exist.
std::string SharedFolderWarning(const std::string& folder);

// The name part of a path (after the last '/' or '\').
std::string ExtractFileName(const std::string& path);
// The folder part of a path including its trailing separator.
std::string ExtractFilePath(const std::string& path);

// Turns a stored relative path such as "FirmWare\qrxpicusb.upd" into one for
// this platform (backslashes become '/' off Windows).
std::string NativeRelative(const std::string& path);

bool FileExists(const std::string& path);

}  // namespace velmar::platform
