// Private-profile (INI) files in the Windows layout, GBK bytes. Section and key names
// compare case-insensitively (ASCII letters). Every write is serialised process-wide
// and replaces the file atomically, so a crash never leaves a torn file.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace tv::profile {

// The value of `key` in `section`, or `fallback` when either is missing. At most
// `capacity` - 1 bytes are returned, as with a buffer of `capacity` bytes.
std::string ReadString(const std::string& file, const std::string& section, const std::string& key,
                       const std::string& fallback = {}, size_t capacity = 10240);

// Sets one key; creates the file, the section and the key (appended in order of first
// write) as needed; an existing key is overwritten in place.
bool WriteString(const std::string& file, const std::string& section, const std::string& key,
                 const std::string& value);

// Sets several keys of one section in a single atomic replacement of the file.
bool WriteStrings(const std::string& file, const std::string& section,
                  const std::vector<std::pair<std::string, std::string>>& entries);

}  // namespace tv::profile
