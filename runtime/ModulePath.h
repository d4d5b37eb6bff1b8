#pragma once
// Where the plug-in's data files live: the folder of the plug-in library itself, and the folder
// listing behind file sliders.

#include <string>
#include <vector>

// [any thread] Folder of the plug-in library, including its trailing separator ("\" or "/").
// Windows: GetModuleFileNameA on the library's module handle (hInstance), at most 260
// characters. Linux: the path of the shared object (or program) that holds the runtime, found
// with dladdr. Empty when the path holds no separator or cannot be found.
std::string LibraryFolder();

// [any thread] LibraryFolder() followed by `name`, whose one leading "\" or "/" is dropped, so
// "\a.png" and "a.png" name the same file. On Linux the backslashes of a Windows-style relative
// name ("quar2_gfx\bg.png") become "/" so that the file next to the .so is found.
std::string DataPath(const std::string& name);

// [UI thread] Appends to `names` every entry of the folder `folderPath` whose name does not begin
// with "." and which is not a directory, in the order the directory search returns them. A
// missing separator at the end of `folderPath` is supplied. A folder that cannot be opened adds
// nothing. Windows: _findfirst64/_findnext64/_stat64; Linux: opendir/readdir/stat.
void ListFolder(const std::string& folderPath, std::vector<std::string>& names);
