// RegexObject over platform/regexp. The expression and the matches are shared by copies;
// the scripting runtime the original object needed has no counterpart here.
#include "web/regex_object.h"

namespace tv {

RegexObject::RegexObject() = default;

RegexObject::~RegexObject() = default;

RegexObject::RegexObject(const RegexObject& other)
    : regExp_(other.regExp_), matches_(other.matches_), subject_(other.subject_) {}

bool RegexObject::Create(const std::string& pattern, const std::string& subject, bool caseSensitive,
                         bool multiLine, bool global) {
  auto regExp = std::make_shared<regexp::RegExp>();
  regExp->ignoreCase = !caseSensitive;
  regExp->multiline = multiLine;
  regExp->global = global;
  regExp->pattern = pattern;
  regExp_ = regExp;
  auto matches = std::make_shared<std::vector<regexp::Match>>();
  bool ok = regExp->Execute(subject, *matches);
  matches_ = ok ? std::move(matches) : nullptr;
  subject_ = subject;
  return ok;
}

void RegexObject::Reserved() {}

std::string RegexObject::Pattern() const { return regExp_ ? regExp_->pattern : std::string(); }

std::string RegexObject::Replace(const std::string& replacement) const {
  std::string out;
  if (!regExp_ || !regExp_->Replace(subject_, replacement, out)) return {};
  return out;
}

int RegexObject::Count() const { return matches_ ? static_cast<int>(matches_->size()) : 0; }

const regexp::Match* RegexObject::MatchAt(int index) const {
  if (!matches_ || index < 1 || static_cast<std::size_t>(index) > matches_->size()) return nullptr;
  return &(*matches_)[index - 1];
}

std::string RegexObject::MatchValue(int index, int* position) const {
  const regexp::Match* match = MatchAt(index);
  if (position) *position = match ? static_cast<int>(match->firstIndex) : -1;
  return match ? match->value : std::string();
}

std::string RegexObject::SubMatch(int matchIndex, int subIndex, int* position) const {
  const regexp::Match* match = MatchAt(matchIndex);
  const regexp::Group* group = nullptr;
  if (match && subIndex >= 1 && static_cast<std::size_t>(subIndex) <= match->subMatches.size()) {
    group = &match->subMatches[subIndex - 1];
    if (!group->matched) group = nullptr;
  }
  if (position) *position = group ? static_cast<int>(group->firstIndex) : -1;
  return group ? group->value : std::string();
}

int RegexObject::SubMatchCount() const {
  const regexp::Match* first = MatchAt(1);
  return first ? static_cast<int>(first->subMatches.size()) : 0;
}

}  // namespace tv
