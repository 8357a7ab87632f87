// An environment variable changed for one test: its value when the object
// is made comes back with Restore and when the object goes.
#ifndef TESTKIT_ENVVARIABLE_H
#define TESTKIT_ENVVARIABLE_H

#include <string>

class EnvironmentVariable {
public:
    explicit EnvironmentVariable(char const* name);
    ~EnvironmentVariable() { Restore(); }
    EnvironmentVariable(EnvironmentVariable const&) = delete;
    EnvironmentVariable& operator=(EnvironmentVariable const&) = delete;

    void Set(std::string const& value);
    void Unset();
    void Restore();

private:
    std::string name;
    bool wasSet;
    std::string old;
};

#endif
