// Fuzzes the one grammar of relays with arbitrary text, under a small wiring
// with names: it must never crash or hang; a refusal is one line with no
// control byte in it (the text is echoed escaped); a text holding a control
// byte is always refused; and what it accepts names each relay again: the
// list of the numbers read names the same relays.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "RelayNames.h"

namespace {

[[noreturn]] void Fault(const char* what, const std::string& detail)
{
    std::fprintf(stderr, "relay names: %s: %s\n", what, detail.c_str());
    std::abort();
}

const Wiring& Station()
{
    static const Wiring wiring = [] {
        Wiring w;
        std::string error;
        const char* text = "[[board]]\nindex = 0\nrows = [\"V+\", \"V-\", \"I+\", \"I-\", \"A\", \"B\", \"\", \"0V\"]\n"
                           "columns = [\"J1\", \"J2\", \"J3\", \"J4\", \"J5\", \"J6\", \"J7\", \"J8\", \"J9\", \"J10\", "
                           "\"J11\", \"J12\", \"J13\", \"J14\", \"J15\", \"J16\"]\n";
        if (!ParseWiring(text, "f.toml", w, error))
            Fault("the fuzzer's own wiring", error);
        return w;
    }();
    return wiring;
}

bool HoldsControl(const std::string& text)
{
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return true;
    }
    return false;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    const bool allowAll = size > 0 && (data[0] & 1) != 0;
    RelaySet relays;
    std::string error;
    if (!ReadRelayNames(RelayNaming{Station(), true, allowAll}, text, relays, error)) {
        if (error.empty() || HoldsControl(error))
            Fault("a refusal that is empty or holds a control byte", error);
        if (relays.any())
            Fault("a refused list added relays", text);
        return 0;
    }
    for (const char c : text) {
        if (c != '\t' && HoldsControl(std::string(1, c)))
            Fault("a text holding a control byte was accepted", error);
    }
    std::string numbers;
    for (std::size_t r = 0; r < relays.size(); ++r) {
        if (relays.test(r))
            numbers += (numbers.empty() ? "" : ",") + std::to_string(r);
    }
    RelaySet again;
    if (!ReadRelayNames(RelayNaming{Station(), false, false}, numbers, again, error) || again != relays)
        Fault("the numbers read do not name the same relays", numbers);
    return 0;
}
