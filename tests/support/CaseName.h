// Names for the cases of parameterised suites. Without a name generator
// GoogleTest names a case by its parameter's bytes, addresses included, so the
// name changes from build to build and a failure says nothing.
#ifndef RELAYTEST_TESTS_SUPPORT_CASENAME_H
#define RELAYTEST_TESTS_SUPPORT_CASENAME_H

#include <cstdint>
#include <string>

// Any text as a case name, each word capitalised: "crash-after=2" is
// CrashAfter2, "alias=2:5" Alias2_5, "healthy.txt" HealthyTxt.
std::string CaseName(const std::string& text);

// A number as a case name: 1024, Minus1.
std::string CaseName(std::int64_t number);

// A 32-bit value as eight upper-case hexadecimal digits: 0000001A.
std::string HexName(std::uint32_t value);

// Names each case by its parameter's `name` field.
struct ByName {
    template <class ParamInfo>
    std::string operator()(const ParamInfo& info) const
    {
        return CaseName(std::string(info.param.name));
    }
};

#endif
