// An environment variable set for a test's lifetime, the old value put back at its end.
#pragma once

#include <QByteArray>

#include <string>

class TScopedEnvironment {
public:
    // An empty value unsets the variable.
    TScopedEnvironment(const char* name, const std::string& value);
    ~TScopedEnvironment();
    TScopedEnvironment(const TScopedEnvironment&) = delete;
    TScopedEnvironment& operator=(const TScopedEnvironment&) = delete;

private:
    QByteArray Name;
    QByteArray OldValue;
    bool HadValue;
};
