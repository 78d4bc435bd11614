// Entry names of ZIP archives as GBK paths: decoding by the UTF-8 flag, refusing names
// that would leave the target folder, and the choice of stored or deflated entries.
#pragma once

#include <string>
#include <string_view>

namespace tv::zipnames {

// General-purpose flag bit 11: the entry's name is UTF-8.
constexpr unsigned long kUtf8Flag = 1u << 11;

// The entry's name as GBK: UTF-8 names (flag set) are converted, others taken as they
// are. False when a UTF-8 name has no GBK form.
bool ToGbk(std::string_view raw, unsigned long flags, std::string& gbk);

// True when the GBK name stays inside the folder it is extracted into: not empty, not
// absolute, no drive or colon, and no segment made only of dots and spaces with two or
// more dots (".." and the forms Windows reads as "..").
bool IsSafe(std::string_view gbk);

// A folder entry: its name ends in "/" or "\".
bool IsFolderEntry(std::string_view gbk);

// The target path: folder, a backslash unless it ends in a separator, then the name with
// every "/" turned into a backslash.
std::string TargetPath(std::string_view folder, std::string_view gbk);

// The part of a GBK path after its last "\" or "/" (all of it when it has none).
std::string BareName(std::string_view path);
// The part before its last "\" or "/" (empty when it has none).
std::string ParentPath(std::string_view path);

// Entries whose names end (in any case) in .zip .Z .zoo .arc .lzh .arj .gz .tgz are
// stored uncompressed: they are packed already.
bool StoreUncompressed(std::string_view name);

}  // namespace tv::zipnames
