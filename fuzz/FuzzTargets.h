#pragma once

#include <cstddef>
#include <cstdint>

// The fuzz targets' bodies: each takes one input in memory and runs one of the program's readers
// on it, the way the program would, without files, a box or a window. A target aborts when a
// property it checks does not hold (a write read back differently, an image write out of place);
// every other outcome, an operator message included, is a normal return. The fuzzers of fuzz/
// call them from libFuzzer; TestFuzzCorpora replays the seed and regression inputs through them in
// every build.
namespace PraxonFuzz {

int HexReader(const uint8_t* data, size_t size);
int IniRoundTrip(const uint8_t* data, size_t size);
int ControlFileLoad(const uint8_t* data, size_t size);
int DeviceTableLoad(const uint8_t* data, size_t size);
int TemplateLoad(const uint8_t* data, size_t size);
int SqtpReader(const uint8_t* data, size_t size);

struct Target {
    const char* name;
    int (*run)(const uint8_t*, size_t);
};
inline constexpr Target Targets[] = {
    {"hex", HexReader},         {"ini", IniRoundTrip}, {"control", ControlFileLoad}, {"devicetable", DeviceTableLoad},
    {"template", TemplateLoad}, {"sqtp", SqtpReader},
};

// Fails the run with a message on standard error (abort, which libFuzzer reports as a crash).
[[noreturn]] void Fail(const char* what);

} // namespace PraxonFuzz
