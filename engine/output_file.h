// The worker's file operations: the partial file created at full length with any
// missing folders, one shared handle per worker, positioned writes, the final rename,
// and the path pieces the worker's messages use. Paths are GBK; "\" and "/" both
// separate folders.
#pragma once

#include <cstdint>
#include <string>

#include "platform/files.h"

namespace tv {

// 1 when the file exists with `size` bytes afterwards, -1 otherwise.
int CreatePartialFile(const std::string& path, std::int64_t size);
// 1 created, 0 already there, -1 blank path or failure (what this call created is removed).
int MakeDirectoryTree(const std::string& dir);
// The text up to and including the last separator; empty when there is none.
std::string PathDirectory(const std::string& path);

// Opens the existing file for shared reading and writing; never creates it.
bool OpenOutputFile(const std::string& path, files::File& file);
bool SeekOutputFile(files::File& file, std::int64_t offset);
// True only when every byte was written.
bool WriteOutputFile(files::File& file, const void* data, size_t size);
bool WriteOutputFileAt(files::File& file, std::int64_t offset, const void* data, size_t size);
void CloseOutputFile(files::File& file);
// Fails when a file exists at `to`.
bool RenameOutputFile(const std::string& from, const std::string& to);

// The file name without its extension: "Map8" for "D:\x\Map8.zip!BT".
std::string PathFileName(const std::string& path);
// The extension of the file name, dot included (".zip!BT"); empty when there is none.
std::string PathExtension(const std::string& path);

}  // namespace tv
