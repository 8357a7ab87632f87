#include "envvariable.h"

#include <cstdlib>

EnvironmentVariable::EnvironmentVariable(char const* name) : name(name) {
    char const* value = std::getenv(name);
    wasSet = value != nullptr;
    if (wasSet) old = value;
}

void EnvironmentVariable::Set(std::string const& value) { ::setenv(name.c_str(), value.c_str(), 1); }

void EnvironmentVariable::Unset() { ::unsetenv(name.c_str()); }

void EnvironmentVariable::Restore() {
    if (wasSet)
        Set(old);
    else
        Unset();
}
