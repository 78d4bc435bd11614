// Regular expressions over GBK texts with the semantics of the classic scripting RegExp
// object: JavaScript pattern syntax, IgnoreCase/Multiline/Global, "$" replacements.
// Built on PCRE2 in UTF mode; positions are mapped back to GBK byte offsets.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace tv::regexp {

// One capture group of a match; `matched` is false for a group that took no part.
struct Group {
  bool matched = false;
  std::size_t firstIndex = 0;  // 0-based byte offset in the subject
  std::string value;
};

struct Match {
  std::size_t firstIndex = 0;  // 0-based byte offset in the subject
  std::string value;
  std::vector<Group> subMatches;  // one per capture group of the pattern
};

class RegExp {
 public:
  // The properties; all false and an empty pattern at first. The pattern is GBK.
  bool ignoreCase = false;
  bool multiline = false;
  bool global = false;
  std::string pattern;

  // Every match (only the first one unless `global`). False when the pattern does not
  // compile or matching fails; `error` then says why.
  bool Execute(std::string_view subject, std::vector<Match>& matches,
               std::string* error = nullptr) const;
  // The subject with the matches (the first one unless `global`) replaced. The
  // replacement understands $1..$99, $&, $`, $' and $$; anything else is literal.
  bool Replace(std::string_view subject, std::string_view replacement, std::string& out,
               std::string* error = nullptr) const;
};

}  // namespace tv::regexp
