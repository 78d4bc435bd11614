// RegexObject: one regular expression run over one subject text, answering questions
// about its matches. Indexes are 1-based; texts and positions are GBK bytes.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "platform/regexp.h"

namespace tv {

class RegexObject {
 public:
  RegexObject();
  virtual ~RegexObject();
  // Shares the expression and the matches of `other`, with its own copy of the subject.
  RegexObject(const RegexObject& other);
  RegexObject& operator=(const RegexObject&) = delete;

  // Runs `pattern` over `subject`; true when it compiled (also when nothing matched).
  virtual bool Create(const std::string& pattern, const std::string& subject,
                      bool caseSensitive = false, bool multiLine = true, bool global = true);
  // Kept so that the operations stay in their established order; does nothing.
  virtual void Reserved();
  // The pattern of the last Create; empty before any.
  virtual std::string Pattern() const;
  // The subject with the matches replaced ($1..$99, $&, $`, $', $$).
  virtual std::string Replace(const std::string& replacement) const;
  virtual int Count() const;
  // The text of match `index`, empty beyond the matches. `position` receives its 0-based
  // byte offset in the subject, or -1 when there is no such match.
  virtual std::string MatchValue(int index, int* position = nullptr) const;
  // The text of group `subIndex` of match `matchIndex`; empty for a group that took no
  // part or beyond the groups (position -1 then).
  virtual std::string SubMatch(int matchIndex, int subIndex, int* position = nullptr) const;
  // The number of groups of the first match; 0 without matches.
  virtual int SubMatchCount() const;

 private:
  const regexp::Match* MatchAt(int index) const;

  std::shared_ptr<regexp::RegExp> regExp_;
  std::shared_ptr<const std::vector<regexp::Match>> matches_;
  std::string subject_;
};

}  // namespace tv
