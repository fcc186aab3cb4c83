#pragma once

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

// What may name a drawing in a layer's folder. A cel name, a renamed drawing and the name part of
// a captured or scanned picture are all file names inside that folder, never paths: these rules
// keep every one of them there.

// The longest file name, in bytes, the folder's file system takes (255 where it cannot be asked).
std::size_t MaxFileNameLength(const std::string& folder);

// Why `name` cannot be a file name in a layer's folder: it holds a folder separator or a NUL, is
// "." or "..", or is longer than `maxLength` bytes. Empty when it can. `what` says what the name
// is in the message ("Cel name", "Name").
std::string FileNameRefusal(std::string_view name, std::size_t maxLength, std::string_view what);

// Throws ECwError with the refusal when `name` cannot be a file name in `folder`.
void CheckFileNameIn(const std::string& folder, std::string_view name, std::string_view what);

// A layer caption made fit to start a picture's name: folder separators and NULs become "_", and
// a caption of "." or ".." becomes "_".
std::string NameFromCaption(std::string_view caption);

// The path of `name` in `folder`, after checking that it lies directly in that folder (symbolic
// links in the folder's own path are followed; the name itself must not leave it). Throws
// ECwError naming the file otherwise.
std::filesystem::path PathInFolder(const std::string& folder, std::string_view name);

// Renames a drawing file, never over another file: throws ECwError "File 'NAME' already exists."
// when the new name is taken, "Renaming of file failed." when the rename fails.
void RenameDrawing(const std::filesystem::path& from, const std::filesystem::path& to);
