#pragma once
// Test names from the plain-words description of a case in a table.

#include <cctype>
#include <string>

inline std::string case_name(const char* what) {
  std::string name;
  for (; *what != 0; ++what)
    name += std::isalnum(static_cast<unsigned char>(*what)) ? *what : '_';
  return name;
}

// For INSTANTIATE_TEST_SUITE_P over cases that carry a `what`.
struct CaseName {
  template <typename Info>
  std::string operator()(const Info& info) const {
    return case_name(info.param.what);
  }
};
