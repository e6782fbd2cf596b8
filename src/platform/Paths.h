// File-system paths the way the loader uses them: folder texts end with a
// separator, the program folder is the executable's folder, and the per-user
// data folder is the shell's application-data folder on Windows and follows
// the XDG rules elsewhere. Path texts are UTF-8 everywhere; PathOf turns one
// into a std::filesystem::path for the system's calls. Also the one helper
// that creates a folder with all its missing levels.
#pragma once

#include <filesystem>
#include <string>

namespace velmar::platform {

#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// A UTF-8 path text as a path for the system's calls, and back.
std::filesystem::path PathOf(const std::string& utf8);
std::string Utf8Of(const std::filesystem::path& path);

// Folder of the running executable, ending with a separator.
std::string ExecutableFolder();
// Full path of the running executable.
std::string ExecutablePath();

// The per-user application-data folder, ending with a separator: on Windows
// the shell's local application-data folder; elsewhere $XDG_DATA_HOME, else
// ~/.local/share.
std::string UserDataFolder();
// The system folder (Windows' system32; /usr/lib/ elsewhere).
std::string SystemFolder();

// Ensures `folder` ends with a separator, the platform's when it must add
// one (empty stays empty).
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

// How a system writes its paths: POSIX ("/home/ann/pump.hex") or Windows
// ("C:\jobs\pump.hex", "\\server\share\pump.hex", "\jobs\pump.hex").
enum class PathStyle { posix, windows };
#ifdef _WIN32
inline constexpr PathStyle kNativePathStyle = PathStyle::windows;
#else
inline constexpr PathStyle kNativePathStyle = PathStyle::posix;
#endif

// True when `path` names its place without a folder to start from: a
// leading '/' on POSIX; a drive letter and colon, or a leading separator,
// on Windows.
bool IsAbsolutePath(const std::string& path, PathStyle style = kNativePathStyle);
// A path typed by the user: an absolute one as it is, a relative one in
// `folder` (empty stays empty).
std::string ResolveTypedPath(const std::string& folder, const std::string& typed, PathStyle style = kNativePathStyle);

// Turns a stored relative path such as "FirmWare\qrxpicusb.upd" into one for
// this platform (backslashes become '/' off Windows, slashes backslashes
// on Windows).
std::string NativeRelative(const std::string& path);

bool FileExists(const std::string& path);

// Opens a file for reading as bytes (never text mode, not inherited by
// child processes) and returns its file descriptor, or -1 with errno set.
int OpenForReading(const std::string& path);

}  // namespace velmar::platform
