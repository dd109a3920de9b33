// A check of a SINTEGRA file's record 90, independent of the rebuild: the
// lines are recounted by type and compared with what the record 90 lines
// say. Returns the faults found, empty for a sound file.
#pragma once

#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "sintegra_fixture.h"

namespace fiscora::testing {

inline std::vector<std::string> Record90Faults(const std::vector<std::string>& lines) {
  std::vector<std::string> faults;
  std::map<std::string, long long> actual;
  std::vector<const std::string*> r90;
  for (const std::string& l : lines) {
    std::string type = l.substr(0, 2);
    if (type == "90") r90.push_back(&l);
    actual[type]++;
  }
  if (r90.empty()) return {"no record 90"};
  std::map<std::string, long long> declared;
  long long total = -1;
  for (size_t i = 0; i < r90.size(); ++i) {
    const std::string& l = *r90[i];
    if (l.size() != 126)
      faults.push_back("record 90 of " + std::to_string(l.size()) + " characters");
    if (l.size() >= 126 && l[125] - '0' != static_cast<int>(r90.size()))
      faults.push_back("column 126 says " + l.substr(125, 1));
    int groups = 0;
    for (size_t at = 30; at + 10 <= 120 && l.size() >= at + 10 && l[at] != ' '; at += 10) {
      ++groups;
      std::string type = l.substr(at, 2);
      long long count = std::stoll(l.substr(at + 2, 8));
      if (type == "99") {
        total = count;
        if (i + 1 != r90.size()) faults.push_back("99 before the last record 90 line");
      } else {
        declared[type] += count;
      }
    }
    if (l.size() >= 125 && l.find_first_not_of(' ', 30 + 10 * static_cast<size_t>(groups)) != 125)
      faults.push_back("no blanks after the groups");
  }
  if (total != static_cast<long long>(lines.size()))
    faults.push_back("99 total " + std::to_string(total) + " for " + std::to_string(lines.size()) +
                     " lines");
  for (const char* t : {"50", "51", "53", "54", "55", "56", "57", "60", "61", "70", "71", "74",
                        "75", "76", "77", "85", "86"}) {
    long long a = actual.count(t) ? actual[t] : 0, d = declared.count(t) ? declared[t] : 0;
    if (a != d)
      faults.push_back("type " + std::string(t) + ": " + std::to_string(d) + " declared, " +
                       std::to_string(a) + " found");
  }
  return faults;
}

}  // namespace fiscora::testing
