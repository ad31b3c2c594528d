// Entries made by control name on a freshly opened window, as a user makes
// them: "NAME=TEXT", or a bare "NAME" for an option button.
#pragma once

#include <gtest/gtest.h>

#include <span>
#include <string>
#include <vector>

#include "common/control_fields.h"
#include "incremental/incremental_fields.h"

namespace vantor::test {

// The reason of a refusal, or "".
template <class Values>
std::string enter(const ControlTable<Values>& table, Values& values, const std::vector<std::string>& args) {
  std::vector<ControlEntry> entries;
  for (const std::string& a : args) {
    const std::size_t eq = a.find('=');
    entries.push_back(eq == std::string::npos ? ControlEntry{a, std::nullopt} : ControlEntry{a.substr(0, eq), a.substr(eq + 1)});
  }
  return enter_controls(table, values, std::span<const ControlEntry>(entries)).value_or("");
}

// The incremental design with the entries made; a refusal fails the test.
inline IncrementalDesign incremental(const std::vector<std::string>& args) {
  IncFormValues v;
  EXPECT_EQ(enter(incremental_fields(), v, args), "");
  return v.design;
}

}  // namespace vantor::test
