#pragma once
// Sets environment variables for one test and puts the old values back.

#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/os.h"

struct EnvGuard {
  std::vector<std::pair<std::string, std::optional<std::string>>> saved;

  EnvGuard& set(const char* name, const std::optional<std::string>& value) {
    saved.emplace_back(name, envValue(name));
    setEnvValue(name, value);
    return *this;
  }
  EnvGuard& unset(const char* name) { return set(name, std::nullopt); }
  ~EnvGuard() {
    for (auto it = saved.rbegin(); it != saved.rend(); ++it) setEnvValue(it->first.c_str(), it->second);
  }
};
