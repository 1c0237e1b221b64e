#pragma once

#include <QString>

// Where tests find their inputs: fixtures (tests/data), the shipped support files (data/) and
// the directory the build puts the executables and their support files in.
namespace TestPaths {
inline QString Fixtures()
{
    return QStringLiteral(PRAXON_TEST_DATA_DIR) + u'/';
}
inline QString ShippedData()
{
    return QStringLiteral(PRAXON_SOURCE_DATA_DIR) + u'/';
}
inline QString Samples()
{
    return QStringLiteral(PRAXON_SAMPLES_DIR) + u'/';
}
inline QString RuntimeDir()
{
    return QStringLiteral(PRAXON_RUNTIME_DIR) + u'/';
}
} // namespace TestPaths
