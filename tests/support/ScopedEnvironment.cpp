// An environment variable set for a test's lifetime.
#include "support/ScopedEnvironment.h"

#include <QtGlobal>

TScopedEnvironment::TScopedEnvironment(const char* name, const std::string& value)
    : Name(name), OldValue(qgetenv(name)), HadValue(qEnvironmentVariableIsSet(name))
{
    if (value.empty())
        qunsetenv(name);
    else
        qputenv(name, QByteArray::fromStdString(value));
}

TScopedEnvironment::~TScopedEnvironment()
{
    if (HadValue)
        qputenv(Name.constData(), OldValue);
    else
        qunsetenv(Name.constData());
}
