#pragma once
// Sets an environment variable (TZ, LC_ALL, ...) for the lifetime of the object and puts the
// previous value back afterwards. TZ changes are applied at once (tzset).
#include <stdlib.h>

#include <ctime>
#include <optional>
#include <string>

namespace quillon::testsupport {

class ScopedEnv {
 public:
  // value nullptr unsets the variable.
  ScopedEnv(std::string name, const char* value) : name_(std::move(name)) {
    if (const char* old = ::getenv(name_.c_str())) previous_ = old;
    Apply(value);
  }
  ~ScopedEnv() { Apply(previous_ ? previous_->c_str() : nullptr); }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  void Apply(const char* value) {
#ifdef _WIN32
    // An empty value removes the variable.
    ::_putenv_s(name_.c_str(), value ? value : "");
    if (name_ == "TZ") ::_tzset();
#else
    if (value) {
      ::setenv(name_.c_str(), value, 1);
    } else {
      ::unsetenv(name_.c_str());
    }
    if (name_ == "TZ") ::tzset();
#endif
  }

  std::string name_;
  std::optional<std::string> previous_;
};

}  // namespace quillon::testsupport
